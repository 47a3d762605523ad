#include "sim/board_clock.h"

namespace lineio::sim {

namespace {}  // namespace

void BoardClock::SetTickEvery(std::uint32_t reads) {
  every_ = reads;
  readsSinceToggle_ = 0;
}

std::uint32_t BoardClock::TickEvery() const { return every_; }

bool BoardClock::OnStatusRead(bool level) {
  if (every_ == 0) return level;
  if (++readsSinceToggle_ < every_) return level;
  readsSinceToggle_ = 0;
  if (level) ++ticks_;
  return !level;
}

std::uint64_t BoardClock::Ticks() const { return ticks_; }

void BoardClock::OnClickLatched(std::uint8_t value) {
  const bool high = (value & ClickBit) != 0;
  if (high == click_) return;
  click_ = high;
  clickChanges_.Push(ClickChange{ticks_, high});
}

std::vector<ClickChange> BoardClock::ClickChanges() const { return clickChanges_.Entries(); }
void BoardClock::SetHistoryLimit(std::size_t limit) { clickChanges_.SetLimit(limit); }

}  // namespace lineio::sim
