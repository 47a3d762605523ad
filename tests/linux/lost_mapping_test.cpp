// A memory range that goes away while the board is open (on a real kernel the
// device is removed or rebound; here its `resourceN` file is cut short): the
// next access must not end the host with SIGBUS. The library's own mappings
// turn into zero pages with one line on standard error; every other SIGBUS
// goes where it went before.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/linux/mapping_guard.h"
#include "portio/board_description.h"
#include "tests/linux/backend_fixture.h"

namespace lineio::testing {
namespace {

constexpr char Board[] = "0000:03:00.0";
constexpr char LossLine[] =
    "lineio: 0000:03:00.0: memory range 0xe8000000-0xe8000fff (resource0) went away while the board was open "
    "(the device was removed or given to another driver): until the board is closed, its writes reach "
    "nothing and its reads give 0, or what was written since\n";
constexpr int ForeignHandlerStatus = 42;

class LostMappingTest : public BackendTest {
 public:
  // Opens the memory board as PortInit does; gives the address of its mapping.
  const void* OpenMemoryBoard() {
    Tree.Add(MemoryBoard(ThisBoard().Vendor, ThisBoard().Device));
    if (OpenCurrentBoard(ThisBoard().Vendor, ThisBoard().Device) != "") return nullptr;
    return reinterpret_cast<const void*>(processState.Board.CurrentBoard->Registration.Card.Items[0].Value3);
  }
  void CutShort() { std::filesystem::resize_file(Tree.RangeFile(Board, 0), 0); }
};

// A page of a file of its own, mapped and then cut short: an access to it
// faults with SIGBUS, as the library's would, outside the library's ranges.
volatile std::uint8_t* ForeignDeadPage() {
  char name[] = "/tmp/lineio-foreign-XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0 || ftruncate(fd, getpagesize()) != 0) return nullptr;
  void* page =
      mmap(nullptr, static_cast<std::size_t>(getpagesize()), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  const bool cut = ftruncate(fd, 0) == 0;
  close(fd);
  unlink(name);
  return page == MAP_FAILED || !cut ? nullptr : static_cast<volatile std::uint8_t*>(page);
}

void SetDefaultBusErrorAction() {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigaction(SIGBUS, &action, nullptr);
}

TEST_F(LostMappingTest, ARangeCutShortReadsZeroReachesNothingAndSaysSoOnce) {
  const HeldResources before = CountHeld(Tree.Root());
  const void* mapping = OpenMemoryBoard();
  ASSERT_NE(mapping, nullptr);
  RawWriteByte(0x10, 0x5A);
  ASSERT_EQ(RawReadByte(0x10), 0x5A);
  EXPECT_FALSE(platform::linuxpci::MappingLost(mapping));

  CutShort();
  const std::string errors = StderrOf([&] {
    EXPECT_EQ(RawReadByte(0x10), 0);
    EXPECT_EQ(RawReadDword(0xFFC), 0u);
    RawWriteWord(0x20, 0xBEEF);
    EXPECT_EQ(RawReadByte(0x30), 0);
    EXPECT_EQ(RawReadWord(0x20), 0xBEEF);  // kept in the process's memory only
  });
  EXPECT_EQ(errors, LossLine);
  EXPECT_TRUE(platform::linuxpci::MappingLost(mapping));
  EXPECT_EQ(std::filesystem::file_size(Tree.RangeFile(Board, 0)), 0u);  // the write reached nothing

  // The board closes as any other, and nothing is left behind.
  CloseBoard(processState.Board.CurrentBoard);
  processState.Board.CurrentBoard = nullptr;
  EXPECT_EQ(CountHeld(Tree.Root()), before);
  EXPECT_FALSE(platform::linuxpci::MappingLost(mapping));
  // The range back at its length, the board opens and reaches it again.
  std::filesystem::resize_file(Tree.RangeFile(Board, 0), 0x1000);
  ASSERT_EQ(OpenCurrentBoard(ThisBoard().Vendor, ThisBoard().Device), "");
  RawWriteByte(0x10, 0xA5);
  EXPECT_EQ(Tree.ReadBytes(Tree.RangeFile(Board, 0), 0x10, 1)[0], 0xA5);
}

// The death tests run in a new process each, whose SIGBUS disposition is set
// before the guard is installed by the board's open.
class LostMappingDeathTest : public LostMappingTest {
 public:
  LostMappingDeathTest() { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(LostMappingDeathTest, AFaultOutsideTheLibrarysRangesStillEndsTheProcess) {
  EXPECT_EXIT(
      {
        SetDefaultBusErrorAction();
        if (OpenMemoryBoard() == nullptr) std::_Exit(1);
        volatile std::uint8_t* page = ForeignDeadPage();
        if (page == nullptr) std::_Exit(2);
        static_cast<void>(*page);
        std::_Exit(0);
      },
      ::testing::KilledBySignal(SIGBUS), "");
}

TEST_F(LostMappingDeathTest, ASentBusErrorStillEndsTheProcess) {
  EXPECT_EXIT(
      {
        SetDefaultBusErrorAction();
        if (OpenMemoryBoard() == nullptr) std::_Exit(1);
        kill(getpid(), SIGBUS);
        std::_Exit(0);
      },
      ::testing::KilledBySignal(SIGBUS), "");
}

void ForeignHandler(int, siginfo_t*, void*) { std::_Exit(ForeignHandlerStatus); }

// A host's own SIGBUS handler, in place before the board opened, keeps every
// fault that is not the library's.
TEST_F(LostMappingDeathTest, TheHostsOwnHandlerGetsTheOtherFaults) {
  EXPECT_EXIT(
      {
        struct sigaction action {};
        action.sa_sigaction = ForeignHandler;
        action.sa_flags = SA_SIGINFO;
        sigaction(SIGBUS, &action, nullptr);
        if (OpenMemoryBoard() == nullptr) std::_Exit(1);
        CutShort();
        if (RawReadByte(0x10) != 0) std::_Exit(3);  // the library's own: no call of the host's handler
        volatile std::uint8_t* page = ForeignDeadPage();
        if (page == nullptr) std::_Exit(2);
        static_cast<void>(*page);
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(ForeignHandlerStatus), "went away while the board was open");
}

}  // namespace
}  // namespace lineio::testing
