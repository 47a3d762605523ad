// The calibration of DelayCount and the lengths of the busy waits it sets.
#include <gtest/gtest.h>

#include <vector>

#include "board/process_state.h"
#include "lineio.h"
#include "platform/overrides.h"
#include "portio/delay.h"
#include "tests/support/board_fixture.h"

namespace lineio {
namespace {

using testing::BoardTest;

class DelayTest : public BoardTest {};

TEST_F(DelayTest, CalibrationGivesPassesPerTenMicroseconds) {
  const std::pair<double, std::int32_t> cases[] = {
      {33.0, 1000}, {50.0, 660},   {16.5, 2000},   {7.25, 4551},     {33000.0, 1}, {33000.5, 0},
      {40000.0, 0}, {0.92, 35869}, {0.25, 132000}, {1e-9, 42949672}, {0.0, 33000}, {-5.0, 33000},
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

// A clock that gives the readings of a calibration whose rounds took `roundMs`.
void ClockWithRounds(const std::vector<double>& roundMs) {
  std::vector<double> readings{1000.0};
  for (double round : roundMs) readings.push_back(readings.back() + round);
  platform::OverrideClock([readings, next = std::size_t{0}]() mutable {
    return readings[next < readings.size() ? next++ : readings.size() - 1];
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

}  // namespace
}  // namespace lineio
