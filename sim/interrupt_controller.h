// The interrupt controller of the simulated driver: one interrupt line for
// each registration whose card has an interrupt, enabled with the command list
// that the driver performs at each interrupt, and the waits blocked on it.
//
// Counting: each interrupt raised while the line is enabled is received. A
// wait takes the one pending interrupt; an interrupt that arrives while the
// previous one is still pending is counted as lost. Interrupts raised while
// the line is not enabled are masked: neither received nor lost. The counts
// belong to the registration and are not reset by a new enable.
//
// The controller holds no lock of its own: every call is made with the
// driver's request lock held, and a wait releases that lock while it blocks.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "driver/records.h"

namespace lineio::sim {

// What a test sees of a card's interrupt.
struct InterruptCounters {
  bool Enabled;
  std::uint32_t Received;  // the count that a wait reports
  std::uint32_t Lost;
  int Waiting;  // waits blocked right now
};

class InterruptController {
 public:
  // A new registration of `card`, which has an interrupt: its line, masked.
  void Attach(std::uint32_t interruptHandle, int card);
  // The registration is gone: an enabled line is disabled (and counted), and
  // the line is dropped once no wait is left in it.
  void Retire(std::uint32_t interruptHandle);

  // The interrupt requests. Enabling copies the record's command list and
  // fails for an unknown handle, a line already enabled or a list that is too
  // long or missing; disabling fails for a line that is not enabled and
  // releases every wait in progress. A wait blocks, with `held` released,
  // until an interrupt is pending or the line is disabled.
  bool Enable(InterruptRecord& record);
  bool Disable(const InterruptRecord& record);
  bool Wait(std::unique_lock<std::mutex>& held, InterruptRecord& record);

  // Raises `count` interrupts on the card's line. While it is enabled, each
  // is received: `perform` carries out each command of the list, and a
  // pending wait wakes. Gives how many were received.
  int Raise(int card, int count, const std::function<void(const TransferCommand&)>& perform);

  // The counters of the card's registration in force; all zero when there is
  // none.
  InterruptCounters Counters(int card) const;
  // Waits blocked right now, on every line.
  int PendingWaits() const;
  // Lines retired while they were enabled.
  int RetiredWhileEnabled() const;

 private:
  struct Line {
    int Card = -1;
    bool Enabled = false;
    std::vector<TransferCommand> Commands;  // copied at enable
    std::uint32_t Received = 0;
    std::uint32_t Lost = 0;
    bool Pending = false;     // received and not yet taken by a wait
    std::uint64_t Stops = 0;  // disables so far: each releases the waits in progress
    int Waiting = 0;
    bool Retired = false;  // the registration is gone; erased when no wait is left
  };

  // The line of a registration in force, or nullptr.
  Line* Find(std::uint32_t interruptHandle);
  void Stop(Line& line);

  std::map<std::uint32_t, Line> lines_;  // by interrupt handle
  std::condition_variable wake_;
  int retiredWhileEnabled_ = 0;
};

}  // namespace lineio::sim
