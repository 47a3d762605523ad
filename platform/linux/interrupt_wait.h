// What the service waits on for a card's interrupt, whichever way the kernel
// hands it over: the running total of a uio device (interrupt_line.h) or the
// eventfd of a device bound to vfio-pci (vfio_interrupt.h). Each wait reports
// how many interrupts arrived since the previous one; the service performs
// the recorded transfer commands after each wake, before the next wait lets
// the card interrupt again.
#pragma once

#include <cstdint>
#include <vector>

#include "driver/records.h"

namespace lineio::platform::linuxpci {

// More commands than any caller performs at one interrupt: the list is refused.
inline constexpr std::uint32_t MaxInterruptCommands = 64;

class InterruptWait {
 public:
  enum class WaitEnd {
    Interrupt,
    Stopped,
    // The device went away or refused access: said once on standard error;
    // every later wait ends so too, silently.
    Gone,
    Failed,  // the wait failed (with a line); a later one may succeed
  };

  virtual ~InterruptWait() = default;
  InterruptWait(const InterruptWait&) = delete;
  InterruptWait& operator=(const InterruptWait&) = delete;

  // Lets the card interrupt again when its last interrupt was taken, and
  // blocks until an interrupt or Stop. On WaitEnd::Interrupt, `received` is
  // the number of interrupts since the previous wait (at least 1).
  virtual WaitEnd Wait(std::uint32_t& received) = 0;
  // Ends every pending and later wait with WaitEnd::Stopped. Any thread.
  virtual void Stop() = 0;
  const std::vector<TransferCommand>& Commands() const { return commands_; }

 protected:
  explicit InterruptWait(std::vector<TransferCommand> commands) : commands_(std::move(commands)) {}

 private:
  const std::vector<TransferCommand> commands_;
};

// How a wait for a descriptor to become readable ended.
enum class Readiness { Readable, Stopped, Failed };

// Blocks until `fd` is readable (or reports an error or hang-up: `events`
// holds what poll saw) or `stopFd`, an eventfd, is written; interrupted
// system calls are taken up again. Failed leaves errno set.
Readiness AwaitReadable(int fd, int stopFd, short& events);

// Writes `stopFd`, an eventfd, so that every AwaitReadable on it ends.
void SignalStop(int stopFd);

}  // namespace lineio::platform::linuxpci
