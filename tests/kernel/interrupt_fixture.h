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

 protected:
  BoardHandle* board_ = nullptr;
};

}  // namespace lineio::testing::lab
