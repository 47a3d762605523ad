// Interrupts through uio_pci_generic on a fake tree: the uio device is a FIFO
// into which the test writes the running totals that the kernel would give.
// The library's interrupt service runs on top (its own thread), so these
// tests also run under ThreadSanitizer.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

#include "portio/board_description.h"
#include "tests/linux/backend_fixture.h"

namespace lineio::testing {
namespace {

using platform::OsHandle;

constexpr char Board[] = "0000:03:00.0";
constexpr std::uint32_t CommandLowByte = 4;
constexpr std::uint32_t CommandHighByte = 5;
// I/O and memory decoding and bus mastering on: the unmask keeps them.
constexpr std::uint8_t DecodingEnabled = 0x07;
constexpr std::uint8_t InterruptDisable = 0x04;
constexpr auto Patience = std::chrono::seconds(20);

// What the handler saw, shared with the test thread.
struct Seen {
  std::mutex Lock;
  std::condition_variable Changed;
  std::vector<InterruptResult> Results;
  std::vector<std::uint32_t> FirstDwords;  // of the I/O range, read in the handler
  FakeTree* Tree = nullptr;
};
Seen seen;

std::uint32_t FirstDword(FakeTree& tree) {
  const std::vector<std::uint8_t> bytes = tree.ReadBytes(tree.RangeFile(Board, 0), 0, 4);
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | std::uint32_t{bytes[3]} << 24;
}

// Records the counts and whether the interrupt command has run, then masks
// the interrupt again as the kernel does at each interrupt, so that the next
// wait must clear the bit.
void Handler(BoardHandle*, InterruptResult* result) {
  std::lock_guard guard(seen.Lock);
  seen.Results.push_back(*result);
  seen.FirstDwords.push_back(FirstDword(*seen.Tree));
  seen.Tree->SetConfigByte(Board, CommandHighByte, InterruptDisable);
  seen.Changed.notify_all();
}

// The threads of this process.
std::ptrdiff_t ThreadCount() {
  return std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                       std::filesystem::directory_iterator());
}

bool WaitUntil(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + Patience;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

class LinuxInterruptTest : public BackendTest {
 public:
  LinuxInterruptTest() {
    std::lock_guard guard(seen.Lock);
    seen.Results.clear();
    seen.FirstDwords.clear();
    seen.Tree = &Tree;
  }
  ~LinuxInterruptTest() override {
    if (writer_ >= 0) close(writer_);
  }

  // A board bound to uio_pci_generic with its interrupt masked; the total in
  // its uio `event` file when there is one.
  void AddBoard(std::optional<std::uint32_t> total, bool uio = true) {
    FakeFunction function = IoBoard(ThisBoard().Vendor, ThisBoard().Device);
    function.Irq = 11;
    function.Driver = uio ? "uio_pci_generic" : "";
    function.Uio = uio ? 0 : -1;
    Tree.Add(function);
    if (total) Tree.WriteFunctionFile(Board, "uio/uio0/event", std::to_string(*total) + "\n");
    if (uio) writer_ = open((Tree.DevRoot() + "/uio0").c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    Tree.SetConfigByte(Board, CommandLowByte, DecodingEnabled);
    Tree.SetConfigByte(Board, CommandHighByte, InterruptDisable);
  }

  BoardHandle* OpenForInterrupts() {
    EXPECT_EQ(OpenCurrentBoard(ThisBoard().Vendor, ThisBoard().Device, 1), "");
    return processState.Board.CurrentBoard;
  }

  // The kernel's running total, as a read of /dev/uioN gives it.
  void Raise(std::uint32_t total) { ASSERT_EQ(write(writer_, &total, sizeof total), 4); }
  // The uio device goes away (the card is unbound): its reader sees the end.
  void RemoveDevice() {
    close(writer_);
    writer_ = -1;
  }
  bool Masked() { return (Tree.ConfigByte(Board, CommandHighByte) & InterruptDisable) != 0; }

  bool Unmasked() {
    return WaitUntil([this] { return (Tree.ConfigByte(Board, CommandHighByte) & InterruptDisable) == 0; });
  }
  bool Drained() {
    return WaitUntil([this] {
      int waiting = 0;
      return ioctl(writer_, FIONREAD, &waiting) == 0 && waiting == 0;
    });
  }
  bool ResultsReach(std::size_t count) {
    std::unique_lock guard(seen.Lock);
    return seen.Changed.wait_for(guard, Patience, [count] { return seen.Results.size() >= count; });
  }

 private:
  int writer_ = -1;
};

TEST_F(LinuxInterruptTest, EachWaitUnmasksCountsRunsTheCommandAndReports) {
  AddBoard(5);
  BoardHandle* board = OpenForInterrupts();
  ASSERT_NE(board, nullptr);
  ASSERT_EQ(EnableInterrupt(board, Handler), 1u);
  EXPECT_EQ(InterruptEnabled(board), 1u);
  struct Step {
    std::uint32_t Total, Count, Lost;
  };
  const Step steps[] = {{6, 1, 0}, {9, 4, 2}, {10, 5, 2}};
  std::size_t handled = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.Total);
    // Before each wait the interrupt is unmasked in the card's command
    // register, whose other bits stay as they are.
    ASSERT_TRUE(Unmasked());
    EXPECT_EQ(Tree.ConfigByte(Board, CommandLowByte), DecodingEnabled);
    Tree.WriteBytes(Tree.RangeFile(Board, 0), 0, {0xFF, 0xFF, 0xFF, 0xFF});
    Raise(step.Total);
    ASSERT_TRUE(ResultsReach(++handled));
    std::lock_guard guard(seen.Lock);
    EXPECT_EQ(seen.Results.back().Count, step.Count);
    EXPECT_EQ(seen.Results.back().Lost, step.Lost);
    EXPECT_EQ(seen.Results.back().Stopped, 0u);
    EXPECT_EQ(seen.FirstDwords.back(), 0u) << "the interrupt command writes 0 at offset 0 of space 0";
  }
  // Another thread ends the blocked wait; the handler hears nothing of it.
  ASSERT_TRUE(Unmasked());
  std::thread([board] { DisableInterrupt(board); }).join();
  EXPECT_EQ(InterruptEnabled(board), 0u);
  std::lock_guard guard(seen.Lock);
  EXPECT_EQ(seen.Results.size(), 3u);
}

TEST_F(LinuxInterruptTest, WithoutAStartingTotalTheFirstWaitCountsOne) {
  AddBoard(std::nullopt);
  BoardHandle* board = OpenForInterrupts();
  ASSERT_EQ(EnableInterrupt(board, Handler), 1u);
  ASSERT_TRUE(Unmasked());
  Raise(100);
  ASSERT_TRUE(ResultsReach(1));
  ASSERT_TRUE(Unmasked());
  Raise(102);
  ASSERT_TRUE(ResultsReach(2));
  DisableInterrupt(board);
  // The counts belong to the registration: a new enable goes on from them.
  ASSERT_EQ(EnableInterrupt(board, Handler), 1u);
  ASSERT_TRUE(Unmasked());
  Raise(103);
  ASSERT_TRUE(ResultsReach(3));
  DisableInterrupt(board);
  std::lock_guard guard(seen.Lock);
  EXPECT_EQ(seen.Results[0].Count, 1u);
  EXPECT_EQ(seen.Results[0].Lost, 0u);
  EXPECT_EQ(seen.Results[1].Count, 3u);
  EXPECT_EQ(seen.Results[1].Lost, 1u);
  EXPECT_EQ(seen.Results[2].Count, 4u);
  EXPECT_EQ(seen.Results[2].Lost, 1u);
}

// An interrupt that the kernel took (and masked) before a wait began, here
// between the enable and the first wait, is reported by that wait without
// unmasking the line: unmasked before its commands had acknowledged the card,
// the line would interrupt again and the kernel would count it twice (seen in
// the kernel lab as a lost interrupt that was none). The next wait unmasks.
TEST_F(LinuxInterruptTest, AnInterruptTakenBeforeTheWaitStaysMaskedUntilItsCommandsRan) {
  AddBoard(5);
  const OsHandle handle = Service().Open();
  const CardRegistration registration = RegisterBySlot(handle, PciSlot{3, 0, 0});
  TransferCommand acknowledge{};
  acknowledge.Command = PortWriteDword;
  acknowledge.Address = registration.Card.Items[0].Value0;
  acknowledge.Data = 0x5A5A5A5A;
  InterruptRecord record{};
  record.Handle = static_cast<std::uint32_t>(registration.Card.Items[1].Value2);
  record.Commands = &acknowledge;
  record.CommandCount = 1;
  ASSERT_TRUE(Send(handle, ReqEnableInterrupt, record));
  Raise(6);
  ASSERT_TRUE(Send(handle, ReqWaitInterrupt, record));
  EXPECT_EQ(record.Count, 1u);
  EXPECT_EQ(record.Lost, 0u);
  EXPECT_EQ(record.Stopped, 0u);
  EXPECT_EQ(FirstDword(Tree), 0x5A5A5A5Au) << "the command ran";
  EXPECT_TRUE(Masked()) << "unmasked before the interrupt's commands ran";
  bool waited = false;
  std::thread waiter([&] { waited = Send(handle, ReqWaitInterrupt, record); });
  EXPECT_TRUE(Unmasked());
  EXPECT_TRUE(Send(handle, ReqDisableInterrupt, record));
  waiter.join();
  EXPECT_TRUE(waited);
  EXPECT_EQ(record.Stopped, 1u);
  EXPECT_EQ(record.Count, 1u);
  Service().Close(handle);
}

// The uio device goes away under a blocked wait (the card unbound from
// uio_pci_generic): the service ends by itself with one line, the handler
// hears nothing, and DisableInterrupt still returns.
TEST_F(LinuxInterruptTest, AUioDeviceThatGoesAwayEndsTheServiceWithOneLine) {
  AddBoard(5);
  BoardHandle* board = OpenForInterrupts();
  ASSERT_NE(board, nullptr);
  ::testing::internal::CaptureStderr();
  ASSERT_EQ(EnableInterrupt(board, Handler), 1u);
  ASSERT_TRUE(Unmasked());
  // Counted with the service running (a sanitizer's own thread, started with
  // the first thread, is there by then too).
  const std::ptrdiff_t threads = ThreadCount();
  RemoveDevice();
  // The interrupt thread ends by itself.
  const bool ended = WaitUntil([threads] { return ThreadCount() == threads - 1; });
  DisableInterrupt(board);
  const std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(ended);
  EXPECT_EQ(errors, "lineio: " + Tree.DevRoot() +
                        "/uio0 is gone (is the card still bound to uio_pci_generic?): its interrupt service "
                        "ends\n");
  std::lock_guard guard(seen.Lock);
  EXPECT_TRUE(seen.Results.empty());
}

TEST_F(LinuxInterruptTest, ATotalGoingBackwardsEndsTheServiceWithALine) {
  AddBoard(5);
  BoardHandle* board = OpenForInterrupts();
  ::testing::internal::CaptureStderr();
  ASSERT_EQ(EnableInterrupt(board, Handler), 1u);
  ASSERT_TRUE(Unmasked());
  Raise(4);
  ASSERT_TRUE(Drained());
  DisableInterrupt(board);  // joins the thread, which ended on the refused wait
  const std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(errors,
            "lineio: " + Tree.DevRoot() + "/uio0 gave the interrupt total 4 after 5: it must go forward\n");
  EXPECT_EQ(board->Interrupt.Count, 0u);
  std::lock_guard guard(seen.Lock);
  EXPECT_TRUE(seen.Results.empty());
}

TEST_F(LinuxInterruptTest, ACardWithoutUioHasNoInterruptService) {
  AddBoard(std::nullopt, false);
  BoardHandle* board = OpenForInterrupts();
  ASSERT_NE(board, nullptr);
  const HeldResources before = CountHeld(Tree.Root());
  const std::string errors = StderrOf([&] { EXPECT_EQ(EnableInterrupt(board, Handler), 0u); });
  EXPECT_EQ(InterruptEnabled(board), 0u);
  EXPECT_NE(errors.find("has no uio device: bind it to uio_pci_generic"), std::string::npos) << errors;
  EXPECT_EQ(CountHeld(Tree.Root()), before);
}

TEST_F(LinuxInterruptTest, ClosingTheBoardEndsABlockedWaitAndReleasesEverything) {
  AddBoard(5);
  const HeldResources before = CountHeld(Tree.Root());
  BoardHandle* board = OpenForInterrupts();
  ASSERT_EQ(EnableInterrupt(board, Handler), 1u);
  ASSERT_TRUE(Unmasked());
  CloseBoard(board);
  processState.Board.CurrentBoard = nullptr;
  EXPECT_EQ(CountHeld(Tree.Root()), before);
  EXPECT_EQ(Service().HeldCards(), 0);
}

// The caller's side may unregister the card while a wait is blocked (the
// library never does, but another user of the driver may): the wait ends as
// stopped, and the card's descriptors go once it has.
TEST_F(LinuxInterruptTest, UnregisteringEndsAWaitThatIsBlocked) {
  AddBoard(5);
  const HeldResources before = CountHeld(Tree.Root());
  const OsHandle handle = Service().Open();
  CardRegistration registration = RegisterBySlot(handle, PciSlot{3, 0, 0});
  InterruptRecord record{};
  record.Handle = static_cast<std::uint32_t>(registration.Card.Items[1].Value2);
  ASSERT_EQ(registration.Card.Items[1].Type, ItemInterrupt);
  ASSERT_TRUE(Send(handle, ReqEnableInterrupt, record));
  EXPECT_EQ(record.EnableOk, 1u);
  bool waited = false;
  std::thread waiter([&] { waited = Send(handle, ReqWaitInterrupt, record); });
  ASSERT_TRUE(Unmasked());
  EXPECT_TRUE(Send(handle, ReqUnregisterCard, registration));
  waiter.join();
  EXPECT_TRUE(waited);
  EXPECT_EQ(record.Stopped, 1u);
  EXPECT_FALSE(Send(handle, ReqDisableInterrupt, record));
  Service().Close(handle);
  EXPECT_EQ(CountHeld(Tree.Root()), before);
}

}  // namespace
}  // namespace lineio::testing
