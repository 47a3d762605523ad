// The interrupt service of a board opened for interrupts: what the driver is
// asked to do, what the handler sees, and that stopping (also by closing the
// board) ends the thread before anything it uses is released.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <vector>

#include "board/board.h"
#include "board/interrupts.h"
#include "tests/interrupts/interrupt_cards.h"
#include "tests/support/board_fixture.h"

namespace lineio {
namespace {

using testing::InterruptCardDevice;
using testing::InterruptCardIoBase;
using testing::InterruptCardVendor;
using testing::MakeInterruptCard;
using testing::RangeKind;

// What the handlers were called with, shared with the interrupt thread.
struct HandlerCall {
  int Handler;  // 1 or 2: which handler
  BoardHandle* Board;
  InterruptResult Result;
};

class CallLog {
 public:
  void Add(const HandlerCall& call) {
    {
      std::lock_guard guard(lock_);
      calls_.push_back(call);
    }
    changed_.notify_all();
  }
  // Waits until at least `count` calls were made; false when they never come
  // (a generous guard against a hang, not a timing assertion).
  bool WaitFor(std::size_t count) {
    std::unique_lock held(lock_);
    return changed_.wait_for(held, std::chrono::seconds(60), [&] { return calls_.size() >= count; });
  }
  std::vector<HandlerCall> Calls() {
    std::lock_guard guard(lock_);
    return calls_;
  }
  void Clear() {
    std::lock_guard guard(lock_);
    calls_.clear();
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<HandlerCall> calls_;
};

CallLog handlerLog;

void FirstHandler(BoardHandle* board, InterruptResult* result) {
  handlerLog.Add(HandlerCall{1, board, *result});
}

void SecondHandler(BoardHandle* board, InterruptResult* result) {
  handlerLog.Add(HandlerCall{2, board, *result});
}

int RunningThreads() {
  int threads = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
    ++threads;
  }
  return threads;
}

class InterruptServiceTest : public testing::BoardTest {
 protected:
  InterruptServiceTest() { handlerLog.Clear(); }

  // Adds the card and opens it; the test fails when it does not open.
  BoardHandle* Open(RangeKind kind, std::uint32_t interruptWish, int bar = 0) {
    card_ = AddCard(MakeInterruptCard(kind, bar));
    BoardHandle* board = nullptr;
    EXPECT_EQ(OpenBoard(board, InterruptCardVendor, InterruptCardDevice, cardsAdded_++, interruptWish), 1u);
    return board;
  }
  std::uint32_t RegisterAtZero() {
    sim::SimCard& card = Bus.Card(card_);
    if (card.IsIoRange(0)) return card.IoRead(0, 0, 4);
    std::uint32_t value;
    std::memcpy(&value, card.MemoryOf(0), sizeof value);
    return value;
  }
  void SetRegisterAtZero(std::uint32_t value) {
    sim::SimCard& card = Bus.Card(card_);
    if (card.IsIoRange(0)) {
      card.IoWrite(0, 0, 4, value);
    } else {
      std::memcpy(card.MemoryOf(0), &value, sizeof value);
    }
  }

  int card_ = -1;
  std::uint32_t cardsAdded_ = 0;
};

TEST_F(InterruptServiceTest, BoardOpenedWithoutInterruptsStartsNothing) {
  BoardHandle* board = Open(RangeKind::Io, 0);
  ASSERT_NE(board, nullptr);
  EXPECT_EQ(EnableInterrupt(board, FirstHandler), 0u);
  EXPECT_EQ(InterruptEnabled(board), 0u);
  EXPECT_EQ(board->Thread, platform::NoHandle);
  EXPECT_EQ(board->Handler, nullptr);
  EXPECT_EQ(Driver.RequestCount(ReqEnableInterrupt), 0u);
  EXPECT_EQ(Driver.RaiseInterrupt(card_), 0);  // the interrupt was never enabled
  DisableInterrupt(board);
  EXPECT_EQ(Driver.RequestCount(ReqDisableInterrupt), 0u);
  CloseBoard(board);
  ExpectNothingHeld();
}

TEST_F(InterruptServiceTest, WithoutAddressSpaceZeroNothingIsEnabled) {
  BoardHandle* board = Open(RangeKind::Io, 1, /*bar=*/1);
  ASSERT_NE(board, nullptr);
  ASSERT_EQ(SpaceInUse(board, 0), 0u);
  EXPECT_EQ(EnableInterrupt(board, FirstHandler), 0u);
  EXPECT_EQ(Driver.RequestCount(ReqEnableInterrupt), 0u);
  EXPECT_EQ(board->Thread, platform::NoHandle);
  CloseBoard(board);
  ExpectNothingHeld();
}

TEST_F(InterruptServiceTest, RefusedEnableStoresNoHandlerAndCanBeRetried) {
  BoardHandle* board = Open(RangeKind::Io, 1);
  ASSERT_NE(board, nullptr);
  Driver.FailRequests(ReqEnableInterrupt, 1);  // the record comes back untouched: enable-ok 0
  EXPECT_EQ(EnableInterrupt(board, FirstHandler), 0u);
  EXPECT_EQ(board->Handler, nullptr);
  EXPECT_EQ(board->Thread, platform::NoHandle);
  EXPECT_EQ(InterruptEnabled(board), 0u);

  EXPECT_EQ(EnableInterrupt(board, SecondHandler), 1u);
  EXPECT_EQ(InterruptEnabled(board), 1u);
  ASSERT_EQ(Driver.RaiseInterrupt(card_), 1);
  ASSERT_TRUE(handlerLog.WaitFor(1));
  EXPECT_EQ(handlerLog.Calls()[0].Handler, 2);
  CloseBoard(board);
  ExpectNothingHeld();
}

TEST_F(InterruptServiceTest, ARefusedWaitIsTriedAgainAndInterruptsAreServed) {
  BoardHandle* board = Open(RangeKind::Io, 1);
  ASSERT_NE(board, nullptr);
  Driver.FailRequests(ReqWaitInterrupt, 1);
  ASSERT_EQ(EnableInterrupt(board, FirstHandler), 1u);
  ASSERT_EQ(Driver.RaiseInterrupt(card_), 1);
  ASSERT_TRUE(handlerLog.WaitFor(1));
  EXPECT_EQ(handlerLog.Calls()[0].Result.Count, 1u);
  EXPECT_EQ(handlerLog.Calls()[0].Result.Stopped, 0u);
  EXPECT_EQ(InterruptEnabled(board), 1u);
  DisableInterrupt(board);
  EXPECT_EQ(handlerLog.Calls().size(), 1u);
  CloseBoard(board);
  ExpectNothingHeld();
}

TEST_F(InterruptServiceTest, ADriverRefusingEveryWaitEndsTheThreadInsteadOfSpinning) {
  BoardHandle* board = Open(RangeKind::Io, 1);
  ASSERT_NE(board, nullptr);
  Driver.FailRequests(ReqWaitInterrupt, -1);
  ASSERT_EQ(EnableInterrupt(board, FirstHandler), 1u);
  Driver.RaiseInterrupt(card_);
  DisableInterrupt(board);  // joins the thread, which ended after its refused waits
  EXPECT_EQ(Driver.RequestCount(ReqWaitInterrupt), MaxRefusedWaitsInARow);
  EXPECT_TRUE(handlerLog.Calls().empty());
  EXPECT_EQ(board->Thread, platform::NoHandle);
  CloseBoard(board);
  ExpectNothingHeld();
}

TEST_F(InterruptServiceTest, DriverClearsRegisterZeroAtEachInterrupt) {
  struct Case {
    const char* Name;
    RangeKind Kind;
    std::uint32_t Command;
  };
  for (const Case& c : {Case{"I/O range", RangeKind::Io, PortWriteDword},
                        Case{"memory range", RangeKind::Memory, MemWriteDword}}) {
    SCOPED_TRACE(c.Name);
    handlerLog.Clear();
    BoardHandle* board = Open(c.Kind, 1);
    ASSERT_NE(board, nullptr);
    ASSERT_EQ(EnableInterrupt(board, FirstHandler), 1u);
    const ResourceItem& item = board->Registration.Card.Items[board->Spaces[0].ItemIndex];
    EXPECT_EQ(board->InterruptCommand.Command, c.Command);
    EXPECT_EQ(board->InterruptCommand.Address, c.Kind == RangeKind::Io ? item.Value0 : item.Value2);
    EXPECT_EQ(board->Interrupt.CommandCount, 1u);
    EXPECT_EQ(board->Interrupt.Commands, &board->InterruptCommand);
    EXPECT_EQ(board->Interrupt.Options & InterruptEnableOption, InterruptEnableOption);

    for (int interrupt = 1; interrupt <= 2; ++interrupt) {
      SetRegisterAtZero(0xFFFFFFFF);
      Driver.ClearTrace();
      ASSERT_EQ(Driver.RaiseInterrupt(card_), 1);
      EXPECT_EQ(RegisterAtZero(), 0u);
      if (c.Kind == RangeKind::Io) {
        const std::vector<sim::RegisterAccess> expected = {{sim::AccessDirection::Write, 4, card_, 0, 0, 0}};
        EXPECT_EQ(Driver.Trace(), expected);
      }
      ASSERT_TRUE(handlerLog.WaitFor(static_cast<std::size_t>(interrupt)));
    }
    CloseBoard(board);
    ExpectNothingHeld();
  }
}

TEST_F(InterruptServiceTest, HandlerSeesTheDriversCountsAfterEachWait) {
  BoardHandle* board = Open(RangeKind::Io, 1);
  ASSERT_NE(board, nullptr);
  ASSERT_EQ(EnableInterrupt(board, FirstHandler), 1u);
  struct Step {
    int Raised;
    std::uint32_t Count;
    std::uint32_t Lost;
  };
  // A burst arrives while the first of it is still pending: the rest is lost.
  const Step steps[] = {{1, 1, 0}, {1, 2, 0}, {4, 6, 3}, {1, 7, 3}};
  std::size_t calls = 0;
  for (const Step& step : steps) {
    ASSERT_EQ(Driver.RaiseInterrupt(card_, step.Raised), step.Raised);
    ASSERT_TRUE(handlerLog.WaitFor(++calls));
    const HandlerCall call = handlerLog.Calls().back();
    EXPECT_EQ(call.Board, board);
    EXPECT_EQ(call.Result.Count, step.Count);
    EXPECT_EQ(call.Result.Lost, step.Lost);
    EXPECT_EQ(call.Result.Stopped, 0u);
  }
  DisableInterrupt(board);
  EXPECT_EQ(InterruptEnabled(board), 0u);
  EXPECT_EQ(board->Thread, platform::NoHandle);
  // The wait that ended the service reached the record but not the handler.
  EXPECT_EQ(handlerLog.Calls().size(), calls);
  EXPECT_NE(board->Interrupt.Stopped, 0u);
  EXPECT_EQ(board->Interrupt.Count, 7u);
  EXPECT_EQ(board->Interrupt.Lost, 3u);
  EXPECT_EQ(Driver.PendingWaits(), 0);
  EXPECT_FALSE(Driver.Interrupts(card_).Enabled);
  CloseBoard(board);
  ExpectNothingHeld();
}

TEST_F(InterruptServiceTest, SecondEnableWhileRunningKeepsTheFirstHandler) {
  BoardHandle* board = Open(RangeKind::Io, 1);
  ASSERT_NE(board, nullptr);
  ASSERT_EQ(EnableInterrupt(board, FirstHandler), 1u);
  const platform::OsHandle thread = board->Thread;
  EXPECT_EQ(EnableInterrupt(board, SecondHandler), 0u);
  EXPECT_EQ(board->Thread, thread);
  EXPECT_EQ(Driver.RequestCount(ReqEnableInterrupt), 1u);
  ASSERT_EQ(Driver.RaiseInterrupt(card_), 1);
  ASSERT_TRUE(handlerLog.WaitFor(1));
  EXPECT_EQ(handlerLog.Calls()[0].Handler, 1);
  CloseBoard(board);
  ExpectNothingHeld();
}

TEST_F(InterruptServiceTest, DisableWithNothingRunningSendsNothing) {
  BoardHandle* board = Open(RangeKind::Io, 1);
  ASSERT_NE(board, nullptr);
  DisableInterrupt(board);
  DisableInterrupt(board);
  EXPECT_EQ(Driver.RequestCount(ReqDisableInterrupt), 0u);
  EXPECT_EQ(InterruptEnabled(board), 0u);
  ASSERT_EQ(EnableInterrupt(board, FirstHandler), 1u);
  DisableInterrupt(board);
  DisableInterrupt(board);  // already stopped
  EXPECT_EQ(Driver.RequestCount(ReqDisableInterrupt), 1u);
  CloseBoard(board);
  ExpectNothingHeld();
}

TEST_F(InterruptServiceTest, CloseBoardStopsTheThreadBeforeUnregistering) {
  BoardHandle* board = Open(RangeKind::Io, 1);
  ASSERT_NE(board, nullptr);
  ASSERT_EQ(EnableInterrupt(board, FirstHandler), 1u);
  ASSERT_EQ(Driver.RaiseInterrupt(card_, 2), 2);
  ASSERT_TRUE(handlerLog.WaitFor(1));

  CloseBoard(board);
  // The disable released the thread's last wait, and only then was the card
  // unregistered: had it been unregistered first, the driver would have found
  // its interrupt still enabled.
  const std::vector<std::uint32_t> log = Driver.LifecycleLog();
  ASSERT_GE(log.size(), 3u);
  const std::vector<std::uint32_t> tail(log.end() - 3, log.end());
  EXPECT_EQ(tail, (std::vector<std::uint32_t>{ReqDisableInterrupt, ReqWaitInterrupt, ReqUnregisterCard}));
  EXPECT_EQ(Driver.UnregisteredWithInterruptEnabled(), 0);
  EXPECT_EQ(Driver.PendingWaits(), 0);
  for (const HandlerCall& call : handlerLog.Calls()) EXPECT_EQ(call.Result.Stopped, 0u);
  EXPECT_EQ(handlerLog.Calls().size(), 1u);
  ExpectNothingHeld();
}

TEST_F(InterruptServiceTest, EnableDisableAndEnableAgain) {
  BoardHandle* board = Open(RangeKind::Memory, 1);
  ASSERT_NE(board, nullptr);
  ASSERT_EQ(EnableInterrupt(board, FirstHandler), 1u);
  ASSERT_EQ(Driver.RaiseInterrupt(card_), 1);
  ASSERT_TRUE(handlerLog.WaitFor(1));
  DisableInterrupt(board);
  EXPECT_EQ(Driver.RaiseInterrupt(card_), 0);  // masked while stopped

  ASSERT_EQ(EnableInterrupt(board, SecondHandler), 1u);
  EXPECT_EQ(InterruptEnabled(board), 1u);
  ASSERT_EQ(Driver.RaiseInterrupt(card_), 1);
  ASSERT_TRUE(handlerLog.WaitFor(2));
  const HandlerCall second = handlerLog.Calls()[1];
  EXPECT_EQ(second.Handler, 2);
  EXPECT_EQ(second.Result.Count, 2u);  // the driver's count goes on across enables
  DisableInterrupt(board);
  EXPECT_EQ(Driver.RequestCount(ReqEnableInterrupt), 2u);
  EXPECT_EQ(Driver.RequestCount(ReqDisableInterrupt), 2u);
  CloseBoard(board);
  ExpectNothingHeld();
}

TEST_F(InterruptServiceTest, ServiceWithoutAHandlerKeepsTheCounts) {
  BoardHandle* board = Open(RangeKind::Io, 1);
  ASSERT_NE(board, nullptr);
  ASSERT_EQ(EnableInterrupt(board, nullptr), 1u);
  ASSERT_EQ(Driver.RaiseInterrupt(card_, 2), 2);
  DisableInterrupt(board);
  // The wait that ended the service brought the driver's counts along.
  EXPECT_EQ(board->Interrupt.Count, 2u);
  EXPECT_NE(board->Interrupt.Stopped, 0u);
  CloseBoard(board);
  ExpectNothingHeld();
}

TEST_F(InterruptServiceTest, ThousandCyclesEndWithNothingLeft) {
  constexpr int Cycles = 1000;
  BoardHandle* board = Open(RangeKind::Io, 1);
  ASSERT_NE(board, nullptr);
  int threadsBefore = 0;
  for (int cycle = 0; cycle < Cycles; ++cycle) {
    // Counted after the first cycle: a sanitizer starts a thread of its own
    // with the first thread it sees.
    if (cycle == 1) threadsBefore = RunningThreads();
    ASSERT_EQ(EnableInterrupt(board, FirstHandler), 1u) << "cycle " << cycle;
    ASSERT_EQ(Driver.RaiseInterrupt(card_), 1);
    DisableInterrupt(board);
    ASSERT_EQ(board->Thread, platform::NoHandle);
  }
  EXPECT_EQ(Driver.Interrupts(card_).Received, static_cast<std::uint32_t>(Cycles));
  EXPECT_EQ(Driver.PendingWaits(), 0);
  EXPECT_EQ(RunningThreads(), threadsBefore);
  // An interrupt may be dropped by the disable that follows it, never reported twice.
  const std::vector<HandlerCall> calls = handlerLog.Calls();
  EXPECT_LE(calls.size(), static_cast<std::size_t>(Cycles));
  std::uint32_t previous = 0;
  for (const HandlerCall& call : calls) {
    EXPECT_GT(call.Result.Count, previous);
    EXPECT_EQ(call.Result.Stopped, 0u);
    previous = call.Result.Count;
  }
  CloseBoard(board);
  ExpectNothingHeld();
}

TEST_F(InterruptServiceTest, WriteConfigDwordWritesTheWholeRegister) {
  BoardHandle* board = Open(RangeKind::Io, 0);
  ASSERT_NE(board, nullptr);
  constexpr std::uint32_t DeviceSpecific = 0x40;
  WriteConfigDword(board, DeviceSpecific, 0x12345678);
  EXPECT_EQ(Bus.Card(card_).ConfigRead(DeviceSpecific, 4), 0x12345678u);
  EXPECT_EQ(ReadConfigDword(board, DeviceSpecific), 0x12345678u);
  // A sizing write to the I/O base address register reads back its size mask.
  WriteConfigDword(board, 0x10, 0xFFFFFFFF);
  EXPECT_EQ(ReadConfigDword(board, 0x10), 0xFFFFFF01u);
  WriteConfigDword(board, 0x10, InterruptCardIoBase);
  EXPECT_EQ(ReadConfigDword(board, 0x10), InterruptCardIoBase | 1u);
  CloseBoard(board);
  ExpectNothingHeld();
}

}  // namespace
}  // namespace lineio
