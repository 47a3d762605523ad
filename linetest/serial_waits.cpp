// The serial bus waits. Built twice: as shipped, and for tests with
// LINEIO_COUNT_WAITS, which adds up the passes each wait is asked for before it
// runs the very same loop.
#include "linetest/serial.h"
#include "portio/delay.h"
#include "portio/port_state.h"

namespace lineio {

namespace {
inline constexpr std::int32_t PhaseWaitFactor = 50;
inline constexpr std::int32_t HoldWaitFactor = 20;

#ifdef LINEIO_COUNT_WAITS
SerialWaitTally tally;
#endif
}  // namespace

void BitPhaseWait() {
  const std::int32_t passes = PhaseWaitFactor * PortLayer.DelayCount;
#ifdef LINEIO_COUNT_WAITS
  ++tally.PhaseWaits;
  tally.Passes += passes > 0 ? passes : 0;
#endif
  BusyLoop(passes);
}

void BitHoldWait() {
  const std::int32_t passes = HoldWaitFactor * PortLayer.DelayCount;
#ifdef LINEIO_COUNT_WAITS
  ++tally.HoldWaits;
  tally.Passes += passes > 0 ? passes : 0;
#endif
  BusyLoop(passes);
}

#ifdef LINEIO_COUNT_WAITS
SerialWaitTally& SerialWaitsForTesting() { return tally; }
#endif

}  // namespace lineio
