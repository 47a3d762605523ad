// The serial bus waits. Built twice: as shipped, and for tests with
// LINEIO_COUNT_WAITS, which adds up the passes each wait is asked for before it
// runs the very same wait.
#include "board/process_state.h"
#include "linetest/serial.h"
#include "portio/delay.h"

namespace lineio {

namespace {
inline constexpr std::int32_t PhaseWaitFactor = 50;
inline constexpr std::int32_t HoldWaitFactor = 20;
// DelayCount passes take 10 microseconds.
inline constexpr double MicrosecondsPerDelayCount = 10.0;

#ifdef LINEIO_COUNT_WAITS
SerialWaitTally tally;
#endif

// Waits `factor` x DelayCount passes; the counting build adds them to `waits`
// and to the total first.
void SerialWait(std::int32_t factor, [[maybe_unused]] std::int64_t SerialWaitTally::*waits) {
  const std::int32_t passes = factor * processState.Ports.DelayCount;
#ifdef LINEIO_COUNT_WAITS
  ++(tally.*waits);
  tally.Passes += passes > 0 ? passes : 0;
#endif
  CountedWait(passes, factor * MicrosecondsPerDelayCount);
}

}  // namespace

void BitPhaseWait() { SerialWait(PhaseWaitFactor, &SerialWaitTally::PhaseWaits); }
void BitHoldWait() { SerialWait(HoldWaitFactor, &SerialWaitTally::HoldWaits); }

#ifdef LINEIO_COUNT_WAITS
SerialWaitTally& SerialWaitsForTesting() { return tally; }
#endif

}  // namespace lineio
