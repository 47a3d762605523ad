// What the kernel lab's interrupt suites share: Kestrel on the edu device
// (lab_board.h), opened with interrupts through the board layer, its service
// started with the edu's acknowledge as the transfer command, interrupts
// raised from the test's thread and counted by the handler.
#pragma once

#include <gtest/gtest.h>
#include <sys/klog.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "board/board.h"
#include "tests/kernel/lab_board.h"

namespace lineio::testing::lab {

// How long a case waits for what must happen; a wait that runs out is a
// failure, not a measurement.
inline constexpr auto Patience = std::chrono::seconds(10);
inline constexpr std::uint32_t RaisedBit = 0x1;
inline constexpr int Cycles = 1000;
inline constexpr int SyslogReadAll = 3;
inline constexpr int SyslogSizeBuffer = 10;

// What the handler saw, shared with the test thread.
struct Seen {
  std::mutex Lock;
  std::condition_variable Changed;
  std::vector<InterruptResult> Results;
  std::vector<std::uint32_t> StatusAtHandler;  // the edu's interrupt status when the handler ran
};
inline Seen seen;

inline void Handler(BoardHandle* board, InterruptResult* result) {
  const std::uint32_t status = ReadEdu(board, EduInterruptStatus);
  std::lock_guard guard(seen.Lock);
  seen.Results.push_back(*result);
  seen.StatusAtHandler.push_back(status);
  seen.Changed.notify_all();
}

inline std::size_t Handled() {
  std::lock_guard guard(seen.Lock);
  return seen.Results.size();
}

inline bool Eventually(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + Patience;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

// The kernel's log, as dmesg shows it.
inline std::string KernelLog() {
  const int size = klogctl(SyslogSizeBuffer, nullptr, 0);
  if (size <= 0) return "";
  std::string text(static_cast<std::size_t>(size), '\0');
  const int got = klogctl(SyslogReadAll, text.data(), size);
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return text;
}

class InterruptLabTest : public ::testing::Test {
 public:
  InterruptLabTest() {
    ResetProcessState();
    std::lock_guard guard(seen.Lock);
    seen.Results.clear();
    seen.StatusAtHandler.clear();
  }
  ~InterruptLabTest() override {
    if (board_ != nullptr) CloseBoard(board_);
    ResetProcessState();
  }

  // Opens the board with interrupts and starts the service.
  BoardHandle* Open() {
    std::string failure;
    board_ = OpenWithInterrupts(failure);
    EXPECT_NE(board_, nullptr) << failure;
    if (board_ == nullptr) return nullptr;
    EXPECT_EQ(ReadEdu(board_, EduIdentity), EduIdentityValue);
    EXPECT_EQ(EnableWithAcknowledge(board_, Handler, RaisedBit), 1u);
    return board_;
  }

  // Raises one interrupt and waits until the handler has run for it.
  bool RaiseAndAwait() {
    const std::size_t before = Handled();
    WriteEdu(board_, EduRaise, RaisedBit);
    std::unique_lock guard(seen.Lock);
    return seen.Changed.wait_for(guard, Patience, [before] { return seen.Results.size() > before; });
  }

  // DisableInterrupt on another thread, so that a disable that hangs ends
  // the program at once with a line (the group's "program-ends" case fails)
  // instead of holding the guest until its limit.
  bool DisableReturns() {
    auto disabled = std::async(std::launch::async, [this] { DisableInterrupt(board_); });
    if (disabled.wait_for(Patience) == std::future_status::ready) return true;
    std::fprintf(stderr, "DisableInterrupt did not return\n");
    std::_Exit(1);
  }

  void Close() {
    CloseBoard(board_);
    board_ = nullptr;
  }

  // What the board does once its device went away (unbound while open): its
  // registers read and written, its service disabled and enabled again; the
  // board is closed afterwards.
  struct AfterLoss {
    std::uint32_t Identity;
    std::uint32_t Liveness;  // read after writing 0x12345678
    bool Disabled;
    std::uint32_t EnabledAgain;
  };
  AfterLoss UseAfterLossAndClose() {
    AfterLoss after{};
    after.Identity = ReadEdu(board_, EduIdentity);
    WriteEdu(board_, EduLiveness, 0x12345678);
    after.Liveness = ReadEdu(board_, EduLiveness);
    after.Disabled = DisableReturns();
    after.EnabledAgain = EnableWithAcknowledge(board_, Handler, RaisedBit);
    Close();
    return after;
  }

  // Raises `raises` interrupts one after another: each is handled once, with
  // the running count, nothing lost, and the acknowledge performed before
  // the handler ran.
  void ExpectEachRaiseHandledOnce(int raises) {
    for (int raise = 1; raise <= raises; ++raise) {
      SCOPED_TRACE(raise);
      ASSERT_TRUE(RaiseAndAwait()) << "interrupt " << raise << " was not handled";
      std::lock_guard guard(seen.Lock);
      ASSERT_EQ(seen.Results.size(), static_cast<std::size_t>(raise)) << "handled more than once";
      EXPECT_EQ(seen.Results.back().Count, static_cast<std::uint32_t>(raise));
      EXPECT_EQ(seen.Results.back().Lost, 0u);
      EXPECT_EQ(seen.Results.back().Stopped, 0u);
      EXPECT_EQ(seen.StatusAtHandler.back(), 0u) << "the acknowledge was not performed before the handler";
    }
  }

  // Up to `cycles` raise-and-handle cycles; the number raised before one was
  // not handled (all of them when none failed).
  int RaiseCycles(int cycles) {
    int raised = 0;
    while (raised < cycles && RaiseAndAwait()) ++raised;
    return raised;
  }

  // After the cycles and the disable: every raise handled once, the last
  // result counting them all, none lost.
  static InterruptResult ExpectCyclesHandled(int raised) {
    std::lock_guard guard(seen.Lock);
    const InterruptResult last = seen.Results.empty() ? InterruptResult{} : seen.Results.back();
    EXPECT_EQ(raised, Cycles) << "interrupt " << raised + 1 << " was not handled";
    EXPECT_EQ(seen.Results.size(), static_cast<std::size_t>(raised));
    EXPECT_EQ(last.Count, static_cast<std::uint32_t>(raised));
    EXPECT_EQ(last.Lost, 0u);
    return last;
  }

  // The kernel never gave up on the line.
  static void ExpectTheKernelKeptTheLine() {
    const std::string log = KernelLog();
    EXPECT_EQ(log.find("nobody cared"), std::string::npos) << log;
    EXPECT_EQ(log.find("Disabling IRQ"), std::string::npos) << log;
  }

  // Started again after a stop, the service counts from where it stood: an
  // interrupt of the stopped time (acknowledged meanwhile) is neither handled
  // nor lost.
  void ExpectARestartCountsOn() {
    ASSERT_EQ(EnableWithAcknowledge(board_, Handler, RaisedBit), 1u);
    ASSERT_TRUE(RaiseAndAwait());
    std::lock_guard guard(seen.Lock);
    ASSERT_EQ(seen.Results.size(), 2u);
    EXPECT_EQ(seen.Results.back().Count, 2u);
    EXPECT_EQ(seen.Results.back().Lost, 0u);
  }

 protected:
  BoardHandle* board_ = nullptr;
};

}  // namespace lineio::testing::lab
