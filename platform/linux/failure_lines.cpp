#include "platform/linux/failure_lines.h"

#include "platform/linux/sysfs_files.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace lineio::platform::linuxpci {

void ReportFailure(const char* format, ...) {
  char text[512];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  // One write per line, so that lines of two threads do not mix.
  std::fprintf(stderr, "lineio: %s\n", text);
}

std::string OpenFailureReason(int error) {
  switch (error) {
    case EACCES:
      return "permission denied: run as root, or install the udev rule platform/linux/60-lineio.rules "
             "and join its group (see README, \"Using a real board on Linux\")";
    case EPERM:
      return "the kernel forbids it: Secure Boot lockdown does not let user space reach PCI registers";
    case ENOENT: return "no such file: the function is gone, or the tree lacks it";
    case NotRegularFile: return "not a regular file (a FIFO, device or folder): not a file of the PCI tree";
    default: return std::strerror(error);
  }
}

}  // namespace lineio::platform::linuxpci
