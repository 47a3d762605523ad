// The board's tick and the click output measured against it. Bit 0 of the
// status register toggles every n reads of StatReg, on a schedule the test
// sets; a tick ends at each fall of the bit. Bit 0 of the click port is
// recorded with the number of ticks ended so far at each change, so a test can
// measure a pulse in ticks.
#pragma once

#include <cstdint>
#include <vector>

#include "portio/bus.h"
#include "sim/history.h"

namespace lineio::sim {

// A change of the click output: the ticks ended before it and the new level.
struct ClickChange {
  std::uint64_t Tick;
  bool High;

  bool operator==(const ClickChange&) const = default;
};

class BoardClock {
 public:
  // The tick bit toggles on every `reads`-th read of StatReg (counted from this
  // call); 0 stops it where it is.
  void SetTickEvery(std::uint32_t reads);
  std::uint32_t TickEvery() const;

  // One read of StatReg that finds the tick bit at `level`: gives the level the
  // read sees.
  bool OnStatusRead(bool level);
  // Falls of the tick bit so far.
  std::uint64_t Ticks() const;

  // A byte latched into the click port.
  void OnClickLatched(std::uint8_t value);
  // The changes of the click output, oldest first: the newest ones up to the
  // history limit (see History).
  std::vector<ClickChange> ClickChanges() const;
  void SetHistoryLimit(std::size_t limit);

 private:
  std::uint32_t every_ = 0;
  std::uint32_t readsSinceToggle_ = 0;
  std::uint64_t ticks_ = 0;
  bool click_ = false;
  History<ClickChange> clickChanges_;
};

}  // namespace lineio::sim
