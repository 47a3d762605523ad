#include "platform/linux/failure_lines.h"

#include "platform/linux/sysfs_files.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/driver_failure.h"

namespace lineio::platform::linuxpci {

namespace {

constexpr std::size_t LineBytes = 512;

void Report(FailureReason reason, const char* format, va_list arguments) {
  char text[LineBytes];
  std::vsnprintf(text, sizeof text, format, arguments);
  // One write per line, so that lines of two threads do not mix.
  std::fprintf(stderr, "lineio: %s\n", text);
  char line[LineBytes + 8];
  std::snprintf(line, sizeof line, "lineio: %s", text);
  NoteDriverFailure(reason, line);
}

}  // namespace

void ReportFailure(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  Report(FailureReason::Other, format, arguments);
  va_end(arguments);
}

void ReportFailureWith(FailureReason reason, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  Report(reason, format, arguments);
  va_end(arguments);
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

FailureReason ReasonOfError(int error) {
  switch (error) {
    case EACCES: return FailureReason::Permission;
    case EPERM: return FailureReason::Lockdown;
    case ENOENT: return FailureReason::FunctionGone;
    default: return FailureReason::Other;
  }
}

}  // namespace lineio::platform::linuxpci
