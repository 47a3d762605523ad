// Calibrated busy waits. Every wait of the library is a counting loop of the
// same shape as the calibration loop, so that one pass costs what a calibration
// pass costs.
#pragma once

#include <cstdint>

namespace lineio {

// Passes of the calibration loop.
inline constexpr std::int32_t CalibrationPasses = 3300000;
// The loop is timed in this many rounds of an equal share of the passes.
inline constexpr int CalibrationRounds = 10;
inline constexpr std::int32_t CalibrationRoundPasses = CalibrationPasses / CalibrationRounds;
static_assert(CalibrationRoundPasses * CalibrationRounds == CalibrationPasses);

// Counts from 1 while the counter is at most `passes` (none when passes <= 0).
void BusyLoop(std::int32_t passes);

// One wait: `passes` passes of the loop, then, should they have taken less
// than `nominalUs` microseconds by the monotonic clock, spinning on the clock
// until they have. The passes are what the calibration says the nominal time
// takes; the clock floor keeps the wait from ending early on a processor that
// runs faster than it did when PortInit calibrated (frequency steps, another
// processor), since a wait that ends early makes the board take a wrong word.
void CountedWait(std::int32_t passes, double nominalUs);

// Times the calibration loop; gives the passes per 10 microseconds.
std::int32_t CalibrateDelay();
// The time of the whole loop from the times of its rounds: the fastest round
// scaled to all of them, or the sum of all when the clock moved too coarsely
// to time a round.
double CalibrationLoopMs(const double* roundMs, int rounds);
// DelayCount for a calibration loop that took `elapsedMs` milliseconds.
std::int32_t DelayCountFor(double elapsedMs);

// DelayCount / 10, DelayCount / 2 and DelayCount passes, never shorter than
// 1, 5 and 10 microseconds.
void Wait1us();
void Wait5us();
void Wait10us();

}  // namespace lineio
