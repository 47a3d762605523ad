// The calibration of DelayCount and the lengths of the busy waits it sets.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "board/process_state.h"
#include "lineio.h"
#include "linetest/serial.h"
#include "platform/overrides.h"
#include "portio/delay.h"
#include "tests/support/board_fixture.h"

namespace lineio {
namespace {

using testing::BoardTest;

class DelayTest : public BoardTest {};

TEST_F(DelayTest, CalibrationGivesPassesPerTenMicroseconds) {
  const std::pair<double, std::int32_t> cases[] = {
      {33.0, 1000}, {50.0, 660},  {16.5, 2000},  {7.25, 4551},   {33000.0, 1},
      {33000.5, 0}, {40000.0, 0}, {0.92, 35869}, {0.25, 132000},
  };
  AddOwnBoard();
  for (const auto& [elapsed, expected] : cases) {
    SCOPED_TRACE(elapsed);
    CalibrationTakes(elapsed);
    EXPECT_EQ(CalibrateDelay(), expected);
    PortInitPrinting(0);
    EXPECT_EQ(processState.Ports.DelayCount, expected);
    PortEnd();
  }
}

TEST_F(DelayTest, ACalibrationOnAClockThatHardlyMovedIsCappedOrTakenAsOneMillisecond) {
  // A clock that stood still, went back or moved next to nothing over the
  // loop: a session cannot go on with such a clock (every wait ends by the
  // clock), so the calibration alone is checked.
  const std::pair<double, std::int32_t> cases[] = {{1e-9, 42949672}, {0.0, 33000}, {-5.0, 33000}};
  for (const auto& [elapsed, expected] : cases) {
    SCOPED_TRACE(elapsed);
    CalibrationTakes(elapsed);
    EXPECT_EQ(CalibrateDelay(), expected);
  }
}

// A clock that gives the readings of a calibration whose rounds took `roundMs`,
// then moves on by a millisecond a reading.
void ClockWithRounds(const std::vector<double>& roundMs) {
  std::vector<double> readings{1000.0};
  for (double round : roundMs) readings.push_back(readings.back() + round);
  platform::OverrideClock([readings, next = std::size_t{0}]() mutable {
    if (next < readings.size()) return readings[next++];
    return readings.back() + static_cast<double>(++next - readings.size());
  });
}

TEST_F(DelayTest, RoundsSlowedByPreemptionDoNotShortenTheWaits) {
  struct Case {
    const char* Name;
    std::vector<double> RoundMs;
    std::int32_t Expected;
  };
  const Case cases[] = {
      {"equal rounds: the whole loop's time", std::vector<double>(10, 3.3), 1000},
      {"one round preempted", {3.3, 3.3, 3.3, 3.3, 25.0, 3.3, 3.3, 3.3, 3.3, 3.3}, 1000},
      {"all but one preempted", {9.0, 40.0, 7.5, 3.3, 12.0, 8.0, 30.0, 5.0, 6.6, 4.0}, 1000},
      {"the slowest round never counts", {5.0, 5.0, 5.0, 5.0, 5.0, 5.0, 5.0, 5.0, 5.0, 800.0}, 660},
      {"a clock too coarse for a round: the sum", {0.0, 0.0, 16.0, 0.0, 0.0, 0.0, 17.0, 0.0, 0.0, 0.0}, 1000},
      {"a clock that never moved", std::vector<double>(10, 0.0), 33000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    ClockWithRounds(c.RoundMs);
    EXPECT_EQ(CalibrateDelay(), c.Expected);
  }
}

TEST_F(DelayTest, WaitsBeforePortInitUseTheInitialCount) {
  EXPECT_EQ(processState.Ports.DelayCount, 300);
  // A real calibration on this machine gives a positive count.
  platform::OverrideClock(nullptr);
  EXPECT_GT(CalibrateDelay(), 0);
}

// Every wait against a clock that the test moves by a fixed step at each
// reading, and the readings it took.
struct WaitUnderClock {
  double StepUs;
  std::vector<double> ReadingsUs;

  void Run(const std::function<void()>& wait) {
    ReadingsUs.clear();
    platform::OverrideClock([this] {
      const double now = ReadingsUs.empty() ? 0.0 : ReadingsUs.back() + StepUs;
      ReadingsUs.push_back(now);
      return now / 1000.0;
    });
    wait();
    platform::OverrideClock(nullptr);
  }
  double ElapsedUs() const { return ReadingsUs.empty() ? 0.0 : ReadingsUs.back() - ReadingsUs.front(); }
};

struct NamedWait {
  const char* Name;
  std::function<void()> Wait;
  double NominalUs;
};

std::vector<NamedWait> EveryWait() {
  return {{"Wait1us", Wait1us, 1.0},
          {"Wait5us", Wait5us, 5.0},
          {"Wait10us", Wait10us, 10.0},
          {"BitHoldWait", BitHoldWait, 200.0},
          {"BitPhaseWait", BitPhaseWait, 500.0}};
}

TEST_F(DelayTest, AWaitWhoseLoopRunsTooFastStillLastsItsNominalTime) {
  // DelayCount as PortInit left it, on a processor that now runs the loop in
  // no time at all, or at a tenth of the calibrated time: the clock ends it.
  for (const std::int32_t delayCount : {0, 30}) {
    processState.Ports.DelayCount = delayCount;
    for (const NamedWait& wait : EveryWait()) {
      SCOPED_TRACE(std::string(wait.Name) + " with DelayCount " + std::to_string(delayCount));
      WaitUnderClock clock{0.25, {}};
      clock.Run(wait.Wait);
      EXPECT_GE(clock.ElapsedUs(), wait.NominalUs);
      // It ends at the first reading that shows the nominal time passed.
      EXPECT_LT(clock.ElapsedUs(), wait.NominalUs + clock.StepUs);
    }
  }
}

TEST_F(DelayTest, AWaitWhoseLoopTookItsTimeReadsTheClockTwiceOnly) {
  processState.Ports.DelayCount = 1000;
  for (const NamedWait& wait : EveryWait()) {
    SCOPED_TRACE(wait.Name);
    WaitUnderClock clock{wait.NominalUs * 1.01, {}};
    clock.Run(wait.Wait);
    EXPECT_EQ(clock.ReadingsUs.size(), 2u);
  }
}

}  // namespace
}  // namespace lineio
