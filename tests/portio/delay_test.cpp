// The calibration of DelayCount and the lengths of the busy waits it sets.
#include <gtest/gtest.h>

#include "lineio.h"
#include "platform/overrides.h"
#include "portio/delay.h"
#include "portio/port_state.h"
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
    EXPECT_EQ(PortLayer.DelayCount, expected);
    PortEnd();
  }
}

TEST_F(DelayTest, WaitsBeforePortInitUseTheInitialCount) {
  EXPECT_EQ(PortLayer.DelayCount, 300);
  // A real calibration on this machine gives a positive count.
  platform::OverrideClock(nullptr);
  EXPECT_GT(CalibrateDelay(), 0);
}

}  // namespace
}  // namespace lineio
