#include "portio/delay.h"

#include <algorithm>
#include <limits>

#include "board/process_state.h"
#include "platform/platform.h"

namespace lineio {

namespace {
// Passes per 10 us are 3,300,000 passes / (elapsed ms * 100).
inline constexpr double CalibrationScale = CalibrationPasses / 100.0;
// A clock that did not move over the calibration loop says nothing about its
// length; the loop is then taken to have lasted one millisecond.
inline constexpr double StillClockMs = 1.0;
// The longest wait of the library asks for 50 x DelayCount passes, which must
// stay a signed 32-bit count however fast the loop ran.
inline constexpr double MaximumDelayCount = std::numeric_limits<std::int32_t>::max() / 50;
inline constexpr double MicrosecondsPerMillisecond = 1000.0;
}  // namespace

// Not inlined, so the calibration and every wait run the very same loop. The
// counter lives in memory, so no optimisation removes or shortens the loop.
__attribute__((noinline)) void BusyLoop(std::int32_t passes) {
  volatile std::int32_t counter = 1;
  while (counter <= passes) {
    counter = counter + 1;
  }
}

std::int32_t DelayCountFor(double elapsedMs) {
  if (!(elapsedMs > 0.0)) elapsedMs = StillClockMs;
  return static_cast<std::int32_t>(std::min(CalibrationScale / elapsedMs, MaximumDelayCount));
}

double CalibrationLoopMs(const double* roundMs, int rounds) {
  const double fastest = *std::min_element(roundMs, roundMs + rounds);
  if (fastest > 0.0) return fastest * rounds;
  double total = 0.0;
  for (int round = 0; round < rounds; ++round) total += roundMs[round];
  return total;
}

// The loop runs once untimed first: a processor that was idle raises its
// clock only under load, and a loop timed at the idle clock would make every
// later wait short. It is then timed in short rounds, and the fastest round
// counts: a round that the scheduler interrupted (another process took the
// processor) only ever gets slower, so the fastest one is the loop's own
// speed. What this cannot see is a processor whose speed changes after
// PortInit (a frequency step, a busy sibling thread of the same core, a
// thread moved to another processor): a slower processor makes the waits
// longer, and a faster one would make them short but for the clock floor of
// every wait (CountedWait).
std::int32_t CalibrateDelay() {
  BusyLoop(CalibrationPasses);
  double roundMs[CalibrationRounds];
  double start = platform::MonotonicMilliseconds();
  for (double& elapsed : roundMs) {
    BusyLoop(CalibrationRoundPasses);
    const double end = platform::MonotonicMilliseconds();
    elapsed = end - start;
    start = end;
  }
  return DelayCountFor(CalibrationLoopMs(roundMs, CalibrationRounds));
}

void CountedWait(std::int32_t passes, double nominalUs) {
  const double nominalMs = nominalUs / MicrosecondsPerMillisecond;
  const double start = platform::MonotonicMilliseconds();
  BusyLoop(passes);
  while (platform::MonotonicMilliseconds() - start < nominalMs) {
  }
}

void Wait1us() { CountedWait(processState.Ports.DelayCount / 10, 1.0); }
void Wait5us() { CountedWait(processState.Ports.DelayCount / 2, 5.0); }
void Wait10us() { CountedWait(processState.Ports.DelayCount, 10.0); }

}  // namespace lineio
