#include "platform/linux/interrupt_wait.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace lineio::platform::linuxpci {

Readiness AwaitReadable(int fd, int stopFd, short& events) {
  for (;;) {
    pollfd waits[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
    if (poll(waits, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return Readiness::Failed;
    }
    if (waits[1].revents != 0) return Readiness::Stopped;
    events = waits[0].revents;
    if (events != 0) return Readiness::Readable;
  }
}

void SignalStop(int stopFd) {
  const std::uint64_t one = 1;
  // The event stays readable from now on, so every poll sees it.
  [[maybe_unused]] const ssize_t written = write(stopFd, &one, sizeof one);
}

}  // namespace lineio::platform::linuxpci
