// The trace of the interrupt service: each wake-up that the service hands to
// the handler is a line "I <count> <lost>", written from the interrupt thread.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/interrupts.h"
#include "tests/interrupts/interrupt_cards.h"
#include "tests/support/board_fixture.h"
#include "tracing/tracer.h"

namespace lineio {
namespace {

using testing::InterruptCardDevice;
using testing::InterruptCardVendor;
using testing::MakeInterruptCard;
using testing::RangeKind;

// How many times the handler ran, shared with the interrupt thread.
struct Served {
  std::mutex Lock;
  std::condition_variable Changed;
  int Count = 0;
};
Served served;

void CountingHandler(BoardHandle*, InterruptResult*) {
  {
    const std::lock_guard<std::mutex> hold(served.Lock);
    ++served.Count;
  }
  served.Changed.notify_all();
}

// Waits until the handler ran `count` times; false when it never does (a
// guard against a hang, not a timing assertion).
bool ServedAtLeast(int count) {
  std::unique_lock<std::mutex> held(served.Lock);
  return served.Changed.wait_for(held, std::chrono::seconds(60), [&] { return served.Count >= count; });
}

std::vector<std::string> InterruptLines(const std::string& path) {
  std::ifstream file(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) {
    const std::size_t blank = line.find(' ');
    if (blank != std::string::npos && line.compare(blank + 1, 2, "I ") == 0)
      lines.push_back(line.substr(blank + 1));
  }
  return lines;
}

class TraceInterruptTest : public testing::BoardTest {};

TEST_F(TraceInterruptTest, EachServedInterruptIsALineWithTheDriversCounts) {
  const std::string path =
      std::filesystem::temp_directory_path() / ("lineio-irq-" + std::to_string(getpid()));
  const int card = AddCard(MakeInterruptCard(RangeKind::Io));
  BoardHandle* board = nullptr;
  ASSERT_EQ(OpenBoard(board, InterruptCardVendor, InterruptCardDevice, 0, 1), 1u);
  ASSERT_TRUE(StartTrace(path.c_str()));
  ASSERT_EQ(EnableInterrupt(board, CountingHandler), 1u);
  for (int raised = 1; raised <= 2; ++raised) {
    ASSERT_EQ(Driver.RaiseInterrupt(card), 1);
    ASSERT_TRUE(ServedAtLeast(raised));
  }
  DisableInterrupt(board);
  CloseBoard(board);
  StopTrace();
  EXPECT_EQ(InterruptLines(path), (std::vector<std::string>{"I 1 0", "I 2 0"}));
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace lineio
