// Histories stay within their limit: the ring itself, and the driver and board
// models that keep one without anybody asking.
#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <vector>

#include "sim/history.h"
#include "sim/kestrel_board.h"
#include "tests/sim/driver_test_support.h"

namespace lineio::sim {
namespace {

std::vector<int> Count(int from, int to) {
  std::vector<int> numbers(static_cast<std::size_t>(to - from));
  std::iota(numbers.begin(), numbers.end(), from);
  return numbers;
}

TEST(HistoryTest, KeepsTheNewestEntriesUpToItsLimit) {
  struct Case {
    const char* Name;
    std::size_t Limit;
    int Pushes;
    std::vector<int> Kept;
    std::uint64_t Dropped;
  };
  const Case cases[] = {
      {"below the limit", 5, 3, Count(0, 3), 0}, {"at the limit", 5, 5, Count(0, 5), 0},
      {"past the limit", 5, 7, Count(2, 7), 2},  {"round the ring twice", 3, 10, Count(7, 10), 7},
      {"limit 0 keeps nothing", 0, 4, {}, 4},    {"everything", KeepEverything, 1000, Count(0, 1000), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    History<int> history;
    history.SetLimit(c.Limit);
    for (int i = 0; i < c.Pushes; ++i) history.Push(i);
    EXPECT_EQ(history.Entries(), c.Kept);
    EXPECT_EQ(history.Size(), c.Kept.size());
    EXPECT_EQ(history.Dropped(), c.Dropped);
  }
}

TEST(HistoryTest, ANewLimitKeepsTheNewestAndTheOrder) {
  History<int> history;
  history.SetLimit(4);
  for (int i = 0; i < 6; ++i) history.Push(i);  // the ring has wrapped: 2 3 4 5
  history.SetLimit(3);
  EXPECT_EQ(history.Entries(), Count(3, 6));
  EXPECT_EQ(history.Dropped(), 3U);
  history.SetLimit(5);
  for (int i = 6; i < 9; ++i) history.Push(i);
  EXPECT_EQ(history.Entries(), Count(4, 9));
  history.Clear();
  EXPECT_TRUE(history.Entries().empty());
  EXPECT_EQ(history.Dropped(), 0U);
  EXPECT_EQ(history.Limit(), 5U);
}

using HistoryDriverTest = DriverTest;

// A driver that nobody asked for its trace keeps the newest accesses only.
TEST_F(HistoryDriverTest, TheTraceIsBoundedWithoutAReader) {
  const auto writes = static_cast<std::uint32_t>(DefaultHistoryLimit + 10);
  for (std::uint32_t value = 0; value < writes; ++value) {
    TransferCommand command{};
    command.Command = PortWriteDword;
    command.Address = BoardIoBase;  // the register file below the registers
    command.Data = value;
    ASSERT_TRUE(Send(ReqTransfer, command));
  }
  const std::vector<RegisterAccess> trace = driver_.Trace();
  ASSERT_EQ(trace.size(), DefaultHistoryLimit);
  EXPECT_EQ(trace.front().Value, 10U);
  EXPECT_EQ(trace.back().Value, writes - 1);

  driver_.SetHistoryLimit(KeepEverything);
  driver_.ClearTrace();
  TransferCommand command{};
  command.Command = PortWriteDword;
  command.Address = BoardIoBase;
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(Send(ReqTransfer, command));
  EXPECT_EQ(driver_.Trace().size(), 3U);
}

// Latches direct port 1 `count` times, the value counting up.
void LatchDirectPort(LineBoard& board, int count) {
  const std::uint32_t data = LineBoard::DefaultRegisterBase;
  for (int i = 0; i < count; ++i) {
    board.IoWrite(0, data, 1, static_cast<std::uint8_t>(i));
    board.IoWrite(0, data + 2, 1, 1);
    board.IoWrite(0, data + 4, 1, CtrlBank);
    board.IoWrite(0, data + 4, 1, CtrlBank | CtrlStrobe);
  }
}

TEST(BoardHistoryTest, TheLatchHistoryIsBoundedWithoutAReader) {
  KestrelBoard board;
  const int latches = static_cast<int>(DefaultHistoryLimit) + 3;
  LatchDirectPort(board, latches);
  const std::vector<LatchedOutput> history = board.LatchHistory();
  ASSERT_EQ(history.size(), DefaultHistoryLimit);
  EXPECT_EQ(history.front(), (LatchedOutput{1, 3}));
  EXPECT_EQ(history.back(), (LatchedOutput{1, static_cast<std::uint8_t>(latches - 1)}));
  EXPECT_TRUE(board.ProtocolErrors().empty());

  board.SetHistoryLimit(0);
  LatchDirectPort(board, 2);
  EXPECT_TRUE(board.LatchHistory().empty());
  EXPECT_EQ(board.OutputLatch(1), 1);  // the board still latches
}

TEST(BoardHistoryTest, ProtocolErrorsKeepTheFirstTextsAndCountThemAll) {
  KestrelBoard board;
  const std::uint32_t ctrl = LineBoard::DefaultRegisterBase + 4;
  const int errors = static_cast<int>(MaxKeptProtocolErrors) + 5;
  board.IoWrite(0, LineBoard::DefaultRegisterBase + 2, 1, 0x30);  // an address that leads to no port
  for (int i = 0; i < errors; ++i) {
    board.IoWrite(0, ctrl, 1, 0);
    board.IoWrite(0, ctrl, 1, CtrlStrobe);
  }
  EXPECT_EQ(board.ProtocolErrors().size(), MaxKeptProtocolErrors);
  EXPECT_EQ(board.ProtocolErrorCount(), static_cast<std::uint64_t>(errors));
  board.ClearProtocolErrors();
  EXPECT_EQ(board.ProtocolErrorCount(), 0U);
}

}  // namespace
}  // namespace lineio::sim
