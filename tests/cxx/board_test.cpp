// include/lineio.hpp against the simulation flavour of both libraries (and
// the real library, where it cannot open a driver): loading, both boards in
// one process, the board closed by the destructor also when an exception
// leaves the scope, moves, and the errors that carry their reason.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "lineio.hpp"

namespace {

// True while the library's board is open: HdTimer gives EscapeStatus at once
// without a board, 0 after a tick of the simulated one.
bool BoardIsOpen(const lineio::Library& library) { return library.Raw().HdTimer(1) != lineio::EscapeStatus; }

TEST(CxxBoardTest, BothBoardsInOneProcessKeepTheirOwnState) {
  lineio::Board kestrel = lineio::Board::Simulated("kestrel");
  lineio::Board merlin = lineio::Board::Simulated("Merlin");
  EXPECT_NE(kestrel.Raw().PortOut, merlin.Raw().PortOut);  // two libraries, not one
  EXPECT_EQ(kestrel.WritePort(80, 0x12), 40);              // group 5: Kestrel only
  EXPECT_EQ(merlin.WritePort(80, 0x12), 1);
  kestrel.WritePort(16, 0x11);
  merlin.WritePort(16, 0x22);
  EXPECT_EQ(kestrel.ReadOutput(16), 0x11);
  EXPECT_EQ(merlin.ReadOutput(16), 0x22);
  EXPECT_TRUE(kestrel.WaitTicks(2));
  EXPECT_TRUE(merlin.WaitTicks(2));
}

TEST(CxxBoardTest, MethodsReachTheBoard) {
  lineio::Board board = lineio::Board::Simulated("kestrel");
  EXPECT_TRUE(board.IsOpen());
  EXPECT_TRUE(board.IsEnabled());
  EXPECT_FALSE(board.IsPc98());
  const std::array<std::uint8_t, 10> expected{'1', '2', '3', '4', '5', '6', '7', '8', '9', ':'};
  EXPECT_EQ(board.TestPattern(), expected);
  board.WriteWord(0x302, 0xBEEF);
  board.WriteDword(0x304, 0x12345678);
  board.WriteByte(0x300, 0xA5);
  EXPECT_EQ(board.ReadWord(0x302), 0xBEEF);
  EXPECT_EQ(board.ReadDword(0x304), 0x12345678U);
  EXPECT_EQ(board.ReadByte(0x300), 0xA5);
  board.WritePort(16, 0x0100);
  EXPECT_EQ(board.SetBit(16, 0), 16);
  EXPECT_EQ(board.ReadOutput(16), 0x0101);
  EXPECT_TRUE(board.OutputBit(16, 8));
  EXPECT_EQ(board.ClearBit(16, 8), 16);
  EXPECT_FALSE(board.OutputBit(16, 8));
  for (std::uint16_t index = 0; index < 6; ++index)
    board.WritePort(static_cast<std::uint16_t>(32 + index), 0x1230 + index);
  const std::array<std::uint16_t, 16> block = board.ReadBlock(0x25);
  for (std::size_t index = 0; index < 6; ++index) EXPECT_EQ(block[index], 0x1230 + index);
  // The line port keeps bits 6 and 7 of what the host wrote through a relay load.
  board.WritePort(36, 0xC5);
  board.LoadRelays(0x8421);
  EXPECT_EQ(board.ReadOutput(36), 0xC0);
  EXPECT_TRUE(board.LoadExchange(0, "A5123489AB"));
  EXPECT_FALSE(board.LoadExchange(1, "A5123489AG"));
  EXPECT_FALSE(board.LoadExchange(1, std::string("A5123489A\0B", 11)));  // a zero byte among the ten
  board.ClearOutputs();
  EXPECT_EQ(board.ReadOutput(32), 0);
}

TEST(CxxBoardTest, TheDestructorClosesTheBoardAlsoThroughAnException) {
  // A second handle on the same library shares its board's state.
  const lineio::Library observer = lineio::Library::Simulated("kestrel");
  ASSERT_FALSE(BoardIsOpen(observer));
  std::string reason;
  try {
    const lineio::Board board = lineio::Board::Simulated("kestrel");
    EXPECT_TRUE(BoardIsOpen(observer));
    const std::vector<std::uint8_t> bytes(4);
    std::vector<std::uint16_t> words(3);
    board.BytesToWords(bytes, words);
    ADD_FAILURE() << "BytesToWords did not throw";
  } catch (const lineio::ArgumentError& error) {
    reason = error.what();
  }
  EXPECT_EQ(reason, "CHRVAL1: words: the library writes 4 elements, the span holds 3");
  EXPECT_FALSE(BoardIsOpen(observer));
}

TEST(CxxBoardTest, AMovedBoardIsClosedOnceByItsLastOwner) {
  const lineio::Library observer = lineio::Library::Simulated("merlin");
  {
    lineio::Board last = lineio::Board::Simulated("merlin");
    {
      lineio::Board first = std::move(last);
      last = std::move(first);
    }  // the moved-from board closes nothing
    EXPECT_TRUE(last.IsOpen());
    EXPECT_TRUE(BoardIsOpen(observer));
    EXPECT_TRUE(last.Close());
    EXPECT_FALSE(BoardIsOpen(observer));
    EXPECT_TRUE(last.Close());  // once
  }
  EXPECT_FALSE(BoardIsOpen(observer));
}

TEST(CxxBoardTest, TheRaw37AndTheExtensionCallsAreReachable) {
  const lineio::Library library = lineio::Library::Simulated("kestrel");
  using AnyFunction = void (*)();
  constexpr std::size_t Functions = 37 + 5;
  static_assert(sizeof(lineio::Api) == Functions * sizeof(AnyFunction), "one pointer per export");
  std::array<AnyFunction, Functions> pointers{};
  std::memcpy(pointers.data(), &library.Raw(), sizeof pointers);
  for (std::size_t index = 0; index < pointers.size(); ++index) EXPECT_NE(pointers[index], nullptr) << index;
  std::array<std::uint8_t, 10> buffer{};
  EXPECT_EQ(library.Raw().Test2(buffer.data()), 11);
}

// The real library on a PCI tree of ordinary files (each test runs in a
// process of its own, and the library reads LINEIO_SYSFS_ROOT at its first
// open): without a devices folder it finds no driver; with an empty one, no
// board.
class CxxOpenFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = ::testing::TempDir() + "lineio-cxx-sysfs-XXXXXX";
    ASSERT_NE(mkdtemp(root_.data()), nullptr);
    ASSERT_EQ(setenv("LINEIO_SYSFS_ROOT", root_.c_str(), 1), 0);
  }
  void TearDown() override { unsetenv("LINEIO_SYSFS_ROOT"); }
  void MakeEmptyBus() const {
    for (const char* folder : {"/bus", "/bus/pci", "/bus/pci/devices"}) {
      ASSERT_EQ(mkdir((root_ + folder).c_str(), 0755), 0);
    }
  }
  static std::string RealLibrary() { return std::string(LINEIO_TEST_LIBRARY_DIR) + "/libmerlin.so.1"; }

 private:
  std::string root_;
};

TEST_F(CxxOpenFailureTest, WithoutADriverOpenErrorCarriesTheLibrarysReason) {
  const std::string file = RealLibrary();
  try {
    const lineio::Board board(file);
    ADD_FAILURE() << "PortInit opened a driver";
  } catch (const lineio::NoBoard&) {
    ADD_FAILURE() << "the driver could not be opened: no NoBoard";
  } catch (const lineio::OpenError& error) {
    EXPECT_EQ(error.Result(), 0);
    EXPECT_EQ(error.Failure(), LINEIO_FAILURE_NO_DRIVER);
    EXPECT_EQ(error.FailureText(), "Cannot open WinDriver device\n");
    EXPECT_EQ(std::string(error.what()),
              "lineio: PortInit(0) gave 0 with " + file +
                  ": the driver could not be opened (Cannot open WinDriver device)");
  }
}

TEST_F(CxxOpenFailureTest, ABusWithoutTheBoardThrowsNoBoardOrOpensWhenAllowed) {
  MakeEmptyBus();
  const std::string file = RealLibrary();
  try {
    const lineio::Board board(file);
    ADD_FAILURE() << "a board was found";
  } catch (const lineio::NoBoard& error) {
    EXPECT_EQ(error.Result(), 1);
    EXPECT_EQ(error.Failure(), LINEIO_FAILURE_NO_BOARD);
    EXPECT_EQ(error.FailureText(), "no cards found\n");
    EXPECT_EQ(std::string(error.what()),
              "lineio: PortInit(0) opened no board with " + file + " (no cards found)");
  }
  const lineio::Board anyway(file, 0, lineio::WithoutBoard::Open);
  EXPECT_TRUE(anyway.IsOpen());
  EXPECT_EQ(anyway.BoardAccess(), lineio::Access::None);
  EXPECT_EQ(anyway.LastFailure(), LINEIO_FAILURE_NO_BOARD);
  EXPECT_EQ(anyway.ReadByte(0x310), 0);
}

TEST(CxxBoardTest, StatusVersionAndTrace) {
  lineio::Board board = lineio::Board::Simulated("merlin");
  // The simulated boards sit on an I/O range.
  EXPECT_EQ(board.BoardAccess(), lineio::Access::Io);
  EXPECT_EQ(board.LastFailure(), LINEIO_FAILURE_NONE);
  EXPECT_EQ(board.LastFailureText(), "");
  EXPECT_EQ(board.Version(), LINEIO_TEST_VERSION);

  std::string folder = ::testing::TempDir() + "lineio-cxx-trace-XXXXXX";
  ASSERT_NE(mkdtemp(folder.data()), nullptr);
  const std::string path = folder + "/run.trace";
  board.Trace(path);
  EXPECT_EQ(board.WritePort(16, 0x12), 16);
  board.StopTrace();
  EXPECT_EQ(board.WritePort(16, 0x13), 16);
  std::ifstream file(path);
  const std::string trace((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_NE(trace.find(" > PortOut 16 18\n"), std::string::npos) << trace;
  EXPECT_NE(trace.find(" W 0310 12\n"), std::string::npos) << trace;
  EXPECT_EQ(trace.find("> PortOut 16 19"), std::string::npos) << trace;
  EXPECT_THROW(board.Trace(folder), lineio::Error);  // a directory
  board.Close();
  EXPECT_EQ(board.BoardAccess(), lineio::Access::None);
}

TEST(CxxBoardTest, LoadingErrorsCarryTheirReason) {
  struct Case {
    const char* Library;
    const char* Reason;
  };
  const std::array<Case, 3> cases{{
      {"/nonexistent/libkestrel.so.1", "lineio: cannot load /nonexistent/libkestrel.so.1: "},
      {"falcon", "lineio: not a board name (kestrel, merlin) nor a library path: falcon"},
      {"libc.so.6", "lineio: libc.so.6 has no export PortInit"},
  }};
  for (const Case& test : cases) {
    try {
      const lineio::Library library(test.Library);
      ADD_FAILURE() << test.Library << " was loaded";
    } catch (const lineio::Error& error) {
      EXPECT_EQ(std::string(error.what()).rfind(test.Reason, 0), 0U) << error.what();
    }
  }
  EXPECT_THROW(lineio::Library::Simulated("eagle"), lineio::Error);
  EXPECT_THROW(lineio::Library::Simulated("/opt/libkestrel.so.1"), lineio::Error);
}

TEST(CxxBoardTest, SpectrumInNaturalOrderWithoutTheHeader) {
  const lineio::Library library = lineio::Library::Simulated("kestrel");
  const std::array<float, 8> impulse{0, 1, 0, 0, 0, 0, 0, 0};
  const std::vector<float> magnitudes = library.Spectrum(impulse);
  ASSERT_EQ(magnitudes.size(), 5U);
  for (const float magnitude : magnitudes) EXPECT_NEAR(magnitude, 0.125F, 1e-6F);
  const std::array<float, 8> ones{1, 1, 1, 1, 1, 1, 1, 1};
  const std::vector<float> constant = library.Spectrum(ones, lineio::Window::Rectangular);
  EXPECT_EQ(constant[0], 1.0F);
  for (std::size_t k = 1; k < constant.size(); ++k) EXPECT_LT(constant[k], 1e-6F);  // no floor of 0.0003
}

}  // namespace
