// The time each control spends in the serial bus waits, counted in loop
// passes rather than measured: its total is a fixed multiple of DelayCount.
#include <gtest/gtest.h>

#include <functional>

#include "board/process_state.h"
#include "lineio.h"
#include "linetest/serial.h"
#include "tests/support/board_fixture.h"

namespace lineio {
namespace {

class WaitTotalsTest : public testing::BoardTest {
 protected:
  void SetUp() override {
    AddOwnBoard();
    PortInitPrinting(0);
    processState.Ports.DelayCount = 3;
  }
};

TEST_F(WaitTotalsTest, EachControlWaitsItsDocumentedMultipleOfDelayCount) {
  struct Case {
    const char* Name;
    std::function<void()> Call;
    std::int64_t Multiple;
  };
  const Case cases[] = {
      {"ContFreq mode 0", [] { ContFreq(0, 0x1234); }, 2720},
      {"ContFreq mode 1", [] { ContFreq(1, 0x1234); }, 2820},
      {"ContFreq mode 2", [] { ContFreq(2, 0xFFFF); }, 2820},
      {"ContFreq mode 3", [] { ContFreq(3, 0xFFFF); }, 2720},
      {"ContLevel", [] { ContLevel(0x7F7F); }, 5420},
      {"ContDirect", [] { ContDirect(0xA5A5); }, 3140},
      {"ContSigSW", [] { ContSigSW(0x1234); }, 1620},
      {"ContBellDA", [] { ContBellDA(0xFFFF); }, 2190},
      {"ContRelay", [] { ContRelay(0x8001); }, 3140},
      {"LineCurrent", [] { LineCurrent(0x00FF); }, 1620},
      {"ExchgLine", [] { ExchgLine(1, "A5123489AB"); }, 9220},
      {"ExchgLine refused", [] { ExchgLine(1, "A5123489AG"); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    SerialWaitsForTesting() = SerialWaitTally{};
    c.Call();
    EXPECT_EQ(SerialWaitsForTesting().Passes, c.Multiple * processState.Ports.DelayCount);
  }
}

TEST_F(WaitTotalsTest, AShiftOfNBitsMakesTwoPhaseWaitsAndOneHoldWaitMoreThanItsLoad) {
  SerialWaitsForTesting() = SerialWaitTally{};
  ContRelay(0);
  EXPECT_EQ(SerialWaitsForTesting().PhaseWaits, 16 * 3 + 2);
  EXPECT_EQ(SerialWaitsForTesting().HoldWaits, 16 * 2);
}

}  // namespace
}  // namespace lineio
