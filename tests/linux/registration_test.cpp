// Registering boards through the library's board layer on fake trees: the
// lock, the mapped and the I/O ranges, the register accesses that land in the
// `resourceN` files, and every refusal leaving nothing behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <vector>

#include "platform/linux/io_access.h"
#include "platform/linux/pci_scan.h"
#include "platform/linux/real_bus_guard.h"
#include "portio/board_description.h"
#include "tests/linux/backend_fixture.h"

namespace lineio::testing {
namespace {

using platform::OsHandle;
using platform::linuxpci::IoObserver;
using platform::linuxpci::LinuxPciService;

constexpr char Board[] = "0000:03:00.0";

// Records the form of every I/O access that reaches the wrapper.
class AccessForms : public IoObserver {
 public:
  AccessForms() { platform::linuxpci::SetIoObserver(this); }
  ~AccessForms() override { platform::linuxpci::SetIoObserver(nullptr); }
  void BeforeRead(int, std::uint32_t, int) override {}
  void AfterRead(int, std::uint32_t offset, int width, std::uint32_t) override { Note('R', offset, width); }
  void AfterWrite(int, std::uint32_t offset, int width, std::uint32_t) override { Note('W', offset, width); }
  std::vector<std::string> Taken() {
    std::lock_guard guard(lock_);
    return std::move(seen_);
  }

 private:
  void Note(char direction, std::uint32_t offset, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%c%d@%x", direction, width, offset);
    std::lock_guard guard(lock_);
    seen_.emplace_back(text);
  }
  std::mutex lock_;
  std::vector<std::string> seen_;
};

class LinuxRegistrationTest : public BackendTest {
 public:
  std::vector<std::uint8_t> Range(std::uint64_t offset, std::size_t count) {
    return Tree.ReadBytes(Tree.RangeFile(Board, 0), offset, count);
  }
};

TEST_F(LinuxRegistrationTest, IoAndMemoryBoardsOpenAndTheirRegistersAreTheRangeFile) {
  for (const bool memory : {false, true}) {
    SCOPED_TRACE(memory ? "memory" : "I/O");
    Tree.Remove(Board);
    Tree.Add(memory ? MemoryBoard(ThisBoard().Vendor, ThisBoard().Device)
                    : IoBoard(ThisBoard().Vendor, ThisBoard().Device));
    Tree.WriteBytes(Tree.RangeFile(Board, 0), 0x40, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88});
    const HeldResources before = CountHeld(Tree.Root());
    AccessForms forms;
    ASSERT_EQ(OpenCurrentBoard(ThisBoard().Vendor, ThisBoard().Device), "");
    EXPECT_EQ(Service().HeldCards(), 1);
    EXPECT_EQ(processState.Board.CurrentSpace, 0u);
    RawWriteByte(0x20, 0x5A);
    RawWriteWord(0x22, 0xBEEF);
    RawWriteDword(0x24, 0x12345678);
    EXPECT_EQ(Range(0x20, 8), (std::vector<std::uint8_t>{0x5A, 0, 0xEF, 0xBE, 0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(RawReadByte(0x41), 0x22);
    EXPECT_EQ(RawReadWord(0x42), 0x4433);
    EXPECT_EQ(RawReadDword(0x44), 0x88776655u);
    // I/O accesses are one pread or pwrite each, of their own width; memory
    // accesses never reach the wrapper.
    const std::vector<std::string> expected =
        memory ? std::vector<std::string>{}
               : std::vector<std::string>{"W1@20", "W2@22", "W4@24", "R1@41", "R2@42", "R4@44"};
    EXPECT_EQ(forms.Taken(), expected);
    // The mapping, or the open I/O file, and the config file are held ...
    const HeldResources open = CountHeld(Tree.Root());
    EXPECT_EQ(open.Mappings, before.Mappings + (memory ? 1 : 0));
    EXPECT_EQ(open.Descriptors, before.Descriptors + (memory ? 1 : 2));
    // ... until the board closes.
    CloseBoard(processState.Board.CurrentBoard);
    processState.Board.CurrentBoard = nullptr;
    EXPECT_EQ(CountHeld(Tree.Root()), before);
    EXPECT_EQ(Service().HeldCards(), 0);
  }
}

// Raw accesses past the end of a mapped range read 0, write nothing (the file
// keeps its length) and never fault; the last byte of the range is reached.
TEST_F(LinuxRegistrationTest, RawAccessesPastAMappedRangeDoNotFault) {
  Tree.Add(MemoryBoard(ThisBoard().Vendor, ThisBoard().Device));
  ASSERT_EQ(OpenCurrentBoard(ThisBoard().Vendor, ThisBoard().Device), "");
  EXPECT_EQ(RawReadDword(0xFFFC), 0u);
  RawWriteDword(0xFFFF, 0x12345678);
  EXPECT_EQ(RawReadDword(0xFFFF), 0u);
  RawWriteDword(0xFFE, 0x12345678);
  EXPECT_EQ(Range(0xFFE, 2), (std::vector<std::uint8_t>{0, 0}));
  RawWriteByte(0x1000, 0x5A);
  EXPECT_EQ(std::filesystem::file_size(Tree.RangeFile(Board, 0)), 0x1000u);
  RawWriteByte(0xFFF, 0xA5);
  EXPECT_EQ(Range(0xFFF, 1)[0], 0xA5);
}

TEST_F(LinuxRegistrationTest, ASecondRegistrationIsRefusedUntilTheFirstEnds) {
  Tree.Add(IoBoard(ThisBoard().Vendor, ThisBoard().Device));
  ASSERT_EQ(OpenCurrentBoard(ThisBoard().Vendor, ThisBoard().Device), "");
  // The same service and a second one (as another process would have) are
  // both refused, with no line on standard error.
  LinuxPciService other(Tree.Roots());
  for (LinuxPciService* service : {&Service(), &other}) {
    platform::InstallDriverService(service);
    BoardHandle* second = nullptr;
    const std::string errors =
        StderrOf([&] { EXPECT_EQ(OpenBoard(second, ThisBoard().Vendor, ThisBoard().Device, 0, 0), 0u); });
    EXPECT_STREQ(processState.Board.ErrorText, "error - could not lock device, already in use\n");
    EXPECT_EQ(errors, "");
  }
  platform::InstallDriverService(&Service());
  CloseBoard(processState.Board.CurrentBoard);
  processState.Board.CurrentBoard = nullptr;
  platform::InstallDriverService(&other);
  BoardHandle* again = nullptr;
  ASSERT_EQ(OpenBoard(again, ThisBoard().Vendor, ThisBoard().Device, 0, 0), 1u);
  CloseBoard(again);
  EXPECT_EQ(other.HeldCards(), 0);
  EXPECT_EQ(other.OpenHandles(), 0);
  platform::InstallDriverService(&Service());
}

TEST_F(LinuxRegistrationTest, OnlyCardsWithoutADriverOrWithUioArePossible) {
  struct Case {
    const char* Driver;
    bool Opens;
  };
  for (const Case& c : {Case{"", true}, Case{"uio_pci_generic", true}, Case{"e1000e", false}}) {
    SCOPED_TRACE(c.Driver);
    Tree.Remove(Board);
    FakeFunction function = IoBoard(ThisBoard().Vendor, ThisBoard().Device);
    function.Driver = c.Driver;
    Tree.Add(function);
    std::string text;
    const std::string errors =
        StderrOf([&] { text = OpenCurrentBoard(ThisBoard().Vendor, ThisBoard().Device); });
    if (c.Opens) {
      EXPECT_EQ(text, "");
      EXPECT_EQ(errors, "");
      CloseBoard(processState.Board.CurrentBoard);
      processState.Board.CurrentBoard = nullptr;
    } else {
      EXPECT_EQ(text, "error - could not lock device, already in use\n");
      EXPECT_EQ(errors,
                "lineio: 0000:03:00.0 is bound to the kernel driver e1000e: unbind it and bind "
                "uio_pci_generic (see README, \"Using a real board on Linux\")\n");
    }
  }
}

TEST_F(LinuxRegistrationTest, TransfersOutsideTheCardOrUnalignedAreRefused) {
  Tree.Add(IoBoard(ThisBoard().Vendor, ThisBoard().Device));
  ASSERT_EQ(OpenCurrentBoard(ThisBoard().Vendor, ThisBoard().Device), "");
  Tree.WriteBytes(Tree.RangeFile(Board, 0), 0x10, {1, 2, 3, 4});
  AccessForms forms;
  std::uint16_t word = 0;
  const std::string errors = StderrOf([&] {
    RawWriteWord(0x11, 0xFFFF);
    word = RawReadWord(0x13);
    EXPECT_EQ(RawReadByte(0x400), 0);  // one past the range
    RawWriteDword(0x3FE, 0xFFFFFFFF);  // runs past its end
  });
  EXPECT_EQ(word, 0);
  EXPECT_EQ(Range(0x10, 4), (std::vector<std::uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(Range(0x3FC, 4), (std::vector<std::uint8_t>{0, 0, 0, 0}));
  EXPECT_TRUE(forms.Taken().empty());
  EXPECT_NE(errors.find("unaligned 2-byte access at 0xe011 refused"), std::string::npos) << errors;
  EXPECT_NE(errors.find("unaligned 2-byte access at 0xe013 refused"), std::string::npos);
  EXPECT_NE(errors.find("transfer command 20 at 0xe400 refused: it lies outside every range"),
            std::string::npos);
  EXPECT_NE(errors.find("transfer command 25 at 0xe3fe refused"), std::string::npos);
}

// Each failure gives its refusal, and leaves no descriptor, mapping,
// registration, handle or board record behind.
TEST_F(LinuxRegistrationTest, BadTreesAreRefusedAndLeaveNothingBehind) {
  struct Case {
    const char* Name;
    void (*Arrange)(FakeTree&);
    const char* ErrorText;
    const char* Line;
  };
  const Case cases[] = {
      {"resource line with too few fields",
       [](FakeTree& t) { t.WriteFunctionFile(Board, "resource", "0x000000000000e000 0x000000000000e3ff\n"); },
       "error - could not lock device, already in use\n", "line 1: too few fields"},
      {"resource not hexadecimal",
       [](FakeTree& t) { t.WriteFunctionFile(Board, "resource", "0xe000 0xe3ff 0x1o1\n"); },
       "error - could not lock device, already in use\n", "not a hexadecimal field"},
      {"resource end below start",
       [](FakeTree& t) { t.WriteFunctionFile(Board, "resource", "0xe3ff 0xe000 0x40101\n"); },
       "error - could not lock device, already in use\n", "end below start"},
      {"resource of 100 lines",
       [](FakeTree& t) {
         std::string text;
         for (int i = 0; i < 100; ++i) text += "0x0 0x0 0x0\n";
         t.WriteFunctionFile(Board, "resource", text);
       },
       "error - could not lock device, already in use\n", "more than 32 lines"},
      {"no resource file",
       [](FakeTree& t) { std::filesystem::remove(t.FunctionDirectory(Board) + "/resource"); },
       "error - could not lock device, already in use\n", "resource: no such file"},
      {"no config file", [](FakeTree& t) { std::filesystem::remove(t.FunctionDirectory(Board) + "/config"); },
       "error - could not lock device, already in use\n", "config: no such file"},
      {"no resource0", [](FakeTree& t) { std::filesystem::remove(t.RangeFile(Board, 0)); },
       "error - could not lock device, already in use\n", "resource0: no such file"},
      {"resource0 shorter than its range",
       [](FakeTree& t) { std::filesystem::resize_file(t.RangeFile(Board, 0), 0x100); },
       "error - could not lock device, already in use\n", "holds 256 bytes, fewer than its range of 1024"},
      {"vendor file with garbage", [](FakeTree& t) { t.WriteFunctionFile(Board, "vendor", "0x13 6c\n"); },
       "error - Cannot find PCI card\n", "vendor does not hold a PCI identifier"},
      // A FIFO in place of a file of the tree would block a reader for ever.
      {"vendor a FIFO", [](FakeTree& t) { t.MakeFifo(Board, "vendor"); }, "error - Cannot find PCI card\n",
       "vendor: not a regular file"},
      {"device a FIFO", [](FakeTree& t) { t.MakeFifo(Board, "device"); }, "error - Cannot find PCI card\n",
       "device: not a regular file"},
      {"resource a FIFO", [](FakeTree& t) { t.MakeFifo(Board, "resource"); },
       "error - could not lock device, already in use\n", "resource: not a regular file"},
      {"config a FIFO", [](FakeTree& t) { t.MakeFifo(Board, "config"); },
       "error - could not lock device, already in use\n", "config: not a regular file"},
      {"resource0 a FIFO", [](FakeTree& t) { t.MakeFifo(Board, "resource0"); },
       "error - could not lock device, already in use\n", "resource0: not a regular file"},
      {"base register that names no range",
       [](FakeTree& t) {
         t.WriteBytes(t.FunctionDirectory(Board) + "/config", 0x10, {0x01, 0xD0, 0, 0});
       },
       "error - card does not have all items expected for DOVEVED\n", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Tree.Remove(Board);
    Tree.Add(IoBoard(ThisBoard().Vendor, ThisBoard().Device));
    c.Arrange(Tree);
    Service();
    const HeldResources before = CountHeld(Tree.Root());
    std::string text;
    const std::string errors =
        StderrOf([&] { text = OpenCurrentBoard(ThisBoard().Vendor, ThisBoard().Device); });
    EXPECT_EQ(text, c.ErrorText);
    EXPECT_NE(errors.find(c.Line), std::string::npos) << errors;
    EXPECT_EQ(processState.Board.CurrentBoard, nullptr);
    EXPECT_EQ(CountHeld(Tree.Root()), before);
    EXPECT_EQ(Service().HeldCards(), 0);
    EXPECT_EQ(Service().OpenHandles(), 0);
    EXPECT_EQ(LiveBoardHandles(), 0);
  }
}

TEST_F(LinuxRegistrationTest, AMemoryRangeFileShorterThanItsRangeIsNotMapped) {
  FakeFunction function = MemoryBoard(ThisBoard().Vendor, ThisBoard().Device);
  function.Bars[0]->FileBytes = 0x800;
  Tree.Add(function);
  Service();
  const HeldResources before = CountHeld(Tree.Root());
  std::string text;
  const std::string errors =
      StderrOf([&] { text = OpenCurrentBoard(ThisBoard().Vendor, ThisBoard().Device); });
  EXPECT_EQ(text, "error - could not lock device, already in use\n");
  EXPECT_EQ(errors, "lineio: " + Tree.DevicesDirectory() +
                        "/0000:03:00.0/resource0 holds 2048 bytes, fewer than its range of 4096\n");
  EXPECT_EQ(CountHeld(Tree.Root()), before);
  EXPECT_EQ(Service().HeldCards(), 0);
}

TEST_F(LinuxRegistrationTest, AFunctionThatGoesAwayBeforeRegistrationIsRefused) {
  Tree.Add(MemoryBoard(ThisBoard().Vendor, ThisBoard().Device));
  const OsHandle handle = Service().Open();
  PciCardInfo info{};
  info.Slot = PciSlot{3, 0, 0};
  ASSERT_TRUE(Send(handle, ReqPciCardInfo, info));
  Tree.Remove(Board);
  const HeldResources before = CountHeld(Tree.Root());
  CardRegistration registration{};
  registration.Card = info.Card;
  const std::string errors = StderrOf([&] { EXPECT_TRUE(Send(handle, ReqRegisterCard, registration)); });
  EXPECT_EQ(registration.CardHandle, 0u);
  EXPECT_EQ(registration.Card.Items[0].Value3, 0u);
  EXPECT_EQ(errors,
            "lineio: 0000:03:00.0 is gone: there is no " + Tree.DevicesDirectory() + "/0000:03:00.0\n");
  EXPECT_EQ(CountHeld(Tree.Root()), before);
  EXPECT_FALSE(Send(handle, ReqUnregisterCard, registration));
  Service().Close(handle);
}

TEST_F(LinuxRegistrationTest, ClosingAHandleReleasesTheCardsRegisteredThroughIt) {
  Tree.Add(MemoryBoard(ThisBoard().Vendor, ThisBoard().Device));
  const HeldResources before = CountHeld(Tree.Root());
  const OsHandle handle = Service().Open();
  const CardRegistration registration = RegisterBySlot(handle, PciSlot{3, 0, 0});
  ASSERT_NE(registration.CardHandle, 0u);
  EXPECT_NE(registration.Card.Items[0].Value3, 0u);
  EXPECT_EQ(registration.Card.Items[0].Value2, registration.Card.Items[0].Value3);
  EXPECT_TRUE(Service().Close(handle));
  EXPECT_EQ(CountHeld(Tree.Root()), before);
  EXPECT_EQ(Service().HeldCards(), 0);
}

// This process refuses the real bus (every test program does, before main):
// the guard that a registration and a configuration write consult first
// refuses every real function and no function of a fake tree. The real bus is
// only listed here; no request names one of its functions.
TEST_F(LinuxRegistrationTest, TheRealBusIsRefusedInTestBuilds) {
  const std::string devices = "/sys/bus/pci/devices";
  if (!std::filesystem::exists(devices)) GTEST_SKIP() << "no PCI bus here";
  const auto functions = platform::linuxpci::ListFunctions(devices);
  if (functions.empty()) GTEST_SKIP() << "no PCI function here";
  const std::string real = devices + "/" + platform::linuxpci::DeviceName(functions[0].Address);
  const std::string errors =
      StderrOf([&] { EXPECT_TRUE(platform::linuxpci::RefusedOnRealBus(real, "registration")); });
  EXPECT_EQ(errors, "lineio: registration of " + real +
                        " refused: this test build never touches the machine's real PCI bus\n");
  Tree.Add(IoBoard(ThisBoard().Vendor, ThisBoard().Device, "0000:07:00.0"));
  EXPECT_EQ(StderrOf([&] {
              EXPECT_FALSE(platform::linuxpci::RefusedOnRealBus(Tree.DevicesDirectory() + "/0000:07:00.0",
                                                                "registration"));
            }),
            "");
}

// A tree of ordinary files whose register files are symbolic links to a real
// function's (as the kernel lab builds in its guest) reaches the real bus all
// the same: the guard follows the links. Only the guard is asked; no request
// names the tree.
TEST_F(LinuxRegistrationTest, ATreeLinkingIntoTheRealBusIsRefused) {
  const std::string devices = "/sys/bus/pci/devices";
  if (!std::filesystem::exists(devices)) GTEST_SKIP() << "no PCI bus here";
  const auto functions = platform::linuxpci::ListFunctions(devices);
  if (functions.empty()) GTEST_SKIP() << "no PCI function here";
  const std::string real = devices + "/" + platform::linuxpci::DeviceName(functions[0].Address);
  for (const char* file : {"config", "resource0", "resource5"}) {
    SCOPED_TRACE(file);
    Tree.Remove(Board);
    const std::string directory = Tree.Add(IoBoard(ThisBoard().Vendor, ThisBoard().Device));
    std::filesystem::remove(directory + "/" + file);
    std::filesystem::create_symlink(real + "/config", directory + "/" + file);
    const std::string errors = StderrOf([&] {
      EXPECT_TRUE(
          platform::linuxpci::RefusedOnRealBus(Tree.DevicesDirectory() + "/" + Board, "registration"));
    });
    EXPECT_NE(errors.find("refused: this test build never touches the machine's real PCI bus"),
              std::string::npos)
        << errors;
  }
}

}  // namespace
}  // namespace lineio::testing
