#include "platform/linux/retired_descriptor.h"

#include <fcntl.h>
#include <unistd.h>

namespace lineio::platform::linuxpci {

bool RetireDescriptor(int fd) {
  // A path descriptor of the root: it cannot be read, written or used for
  // ioctl (EBADF), and the root always exists.
  const int nothing = open("/", O_PATH | O_CLOEXEC);
  const bool replaced = nothing >= 0 && dup3(nothing, fd, O_CLOEXEC) == fd;
  if (nothing >= 0) close(nothing);
  if (!replaced) close(fd);
  return replaced;
}

}  // namespace lineio::platform::linuxpci
