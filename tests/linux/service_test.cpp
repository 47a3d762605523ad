// The backend's answers about the bus: opening, scans, card information and
// configuration space, on fake trees.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/linux/card_info.h"
#include "tests/linux/backend_fixture.h"
#include "tests/support/console.h"

namespace lineio::testing {
namespace {

using platform::InvalidOsHandle;
using platform::OsHandle;
using platform::linuxpci::LinuxPciService;

class LinuxServiceTest : public BackendTest {};

TEST_F(LinuxServiceTest, OpensOnlyWhileTheDevicesDirectoryCanBeRead) {
  struct Case {
    const char* Name;
    std::string Sysfs;
    bool Opens;
  };
  std::ofstream(Tree.Root() + "/plain-file") << "not a directory";
  std::filesystem::create_directories(Tree.Root() + "/file-tree/bus/pci");
  std::ofstream(Tree.Root() + "/file-tree/bus/pci/devices") << "";
  const Case cases[] = {
      {"the tree", Tree.Root(), true},
      {"no bus folder", Tree.Root() + "/dev", false},
      {"no such root", Tree.Root() + "/nowhere", false},
      {"devices is a file", Tree.Root() + "/file-tree", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    LinuxPciService service({c.Sysfs, Tree.DevRoot()});
    const OsHandle handle = service.Open();
    EXPECT_EQ(handle != InvalidOsHandle, c.Opens);
    if (handle != InvalidOsHandle) {
      VersionQuery query{};
      EXPECT_TRUE(service.Request(handle, ReqDriverVersion, &query, sizeof query));
      EXPECT_EQ(query.Version, 400u);
      EXPECT_TRUE(service.Close(handle));
    }
    EXPECT_EQ(service.OpenHandles(), 0);
  }
  // Through the library: exactly as a missing driver.
  LinuxPciService missing({Tree.Root() + "/nowhere", Tree.DevRoot()});
  platform::InstallDriverService(&missing);
  CapturedStdout out;
  platform::OsHandle link = platform::NoHandle;
  EXPECT_EQ(OpenDriverLink(link), 0u);
  EXPECT_EQ(out.Take(), "Cannot open WinDriver device\n");
  platform::InstallDriverService(nullptr);
}

// The process's driver device reads its roots once, at its first open.
TEST_F(LinuxServiceTest, TheDriverDeviceTakesItsRootsAtItsFirstOpen) {
  setenv("LINEIO_SYSFS_ROOT", Tree.Root().c_str(), 1);
  Tree.Add(IoBoard(0x136C, 0xA036));
  const OsHandle first = platform::OpenDriverDevice();
  ASSERT_NE(first, InvalidOsHandle);
  setenv("LINEIO_SYSFS_ROOT", (Tree.Root() + "/nowhere").c_str(), 1);
  const OsHandle second = platform::OpenDriverDevice();
  ASSERT_NE(second, InvalidOsHandle);
  PciScan scan{};
  EXPECT_TRUE(platform::DriverRequest(second, ReqScanPciCards, &scan, sizeof scan));
  EXPECT_EQ(scan.CardCount, 1u);
  EXPECT_EQ(scan.CardIds[0].Vendor, 0x136Cu);
  EXPECT_TRUE(platform::CloseOsHandle(first));
  EXPECT_TRUE(platform::CloseOsHandle(second));
  EXPECT_FALSE(platform::CloseOsHandle(second));
  unsetenv("LINEIO_SYSFS_ROOT");
}

TEST_F(LinuxServiceTest, RequestsNeedAnOpenHandleAndTheRecordsSize) {
  const OsHandle handle = Service().Open();
  PciScan scan{};
  EXPECT_FALSE(Service().Request(handle + 100, ReqScanPciCards, &scan, sizeof scan));
  EXPECT_FALSE(Service().Request(handle, ReqScanPciCards, &scan, sizeof scan - 4));
  EXPECT_FALSE(Service().Request(handle, ReqScanPciCards, nullptr, sizeof scan));
  EXPECT_FALSE(Service().Request(handle, 0x12345678, &scan, sizeof scan));
  EXPECT_TRUE(Send(handle, ReqScanPciCards, scan));
  EXPECT_TRUE(Service().Close(handle));
  EXPECT_FALSE(Service().Close(handle));
  EXPECT_FALSE(Send(handle, ReqScanPciCards, scan));
}

PciScan Scan(BackendTest& test, std::uint32_t vendor, std::uint32_t device) {
  const OsHandle handle = test.Service().Open();
  PciScan scan{};
  scan.Search = PciId{vendor, device};
  EXPECT_TRUE(test.Send(handle, ReqScanPciCards, scan));
  test.Service().Close(handle);
  return scan;
}

TEST_F(LinuxServiceTest, ScansListEveryMatchingFunctionInOrder) {
  // Laid out out of order; domain 1 is reported in the bus number.
  for (const char* name : {"0000:05:00.0", "0001:00:02.0", "0000:03:00.1", "0000:03:00.0", "0000:00:1f.7"}) {
    FakeFunction function = IoBoard(0x136C, 0xA036, name);
    if (std::string(name) == "0000:03:00.1") function.Device = 0x1998;
    if (std::string(name) == "0000:05:00.0") function.Vendor = 0x1172;
    Tree.Add(function);
  }
  const PciScan all = Scan(*this, 0, 0);
  ASSERT_EQ(all.CardCount, 5u);
  const PciSlot order[] = {{0, 0x1F, 7}, {3, 0, 0}, {3, 0, 1}, {5, 0, 0}, {0x100, 2, 0}};
  for (std::uint32_t i = 0; i < 5; ++i) {
    EXPECT_EQ(all.CardSlots[i].Bus, order[i].Bus) << i;
    EXPECT_EQ(all.CardSlots[i].Slot, order[i].Slot) << i;
    EXPECT_EQ(all.CardSlots[i].Function, order[i].Function) << i;
  }
  EXPECT_EQ(all.CardIds[2].Device, 0x1998u);
  EXPECT_EQ(all.CardIds[3].Vendor, 0x1172u);

  struct Case {
    std::uint32_t Vendor, Device, Count;
  };
  for (const Case& c : {Case{0x136C, 0xA036, 3}, Case{0x136C, 0, 4}, Case{0, 0x1998, 1}, Case{0x1234, 0, 0},
                        Case{0x1172, 0xA036, 1}}) {
    EXPECT_EQ(Scan(*this, c.Vendor, c.Device).CardCount, c.Count) << std::hex << c.Vendor << ":" << c.Device;
  }
}

TEST_F(LinuxServiceTest, ScansLeaveOutWhatTheyCannotReadAndSaySo) {
  Tree.Add(IoBoard(0x136C, 0xA036, "0000:03:00.0"));
  Tree.Add(IoBoard(0x136C, 0xA036, "0000:04:00.0"));
  Tree.WriteFunctionFile("0000:04:00.0", "vendor", "Intel\n");
  Tree.Add(IoBoard(0x136C, 0xA036, "0000:06:00.0"));
  std::filesystem::remove(Tree.FunctionDirectory("0000:06:00.0") + "/device");
  Tree.Add(IoBoard(0x136C, 0xA036, "0000:07:00.0"));
  Tree.MakeFifo("0000:07:00.0", "vendor");
  std::filesystem::create_directories(Tree.DevicesDirectory() + "/not-a-function");
  std::filesystem::create_directories(Tree.DevicesDirectory() + "/.hidden");
  PciScan scan{};
  const HeldResources before = CountHeld(Tree.Root());
  const std::string errors = StderrOf([&] { scan = Scan(*this, 0, 0); });
  EXPECT_EQ(CountHeld(Tree.Root()), before);
  EXPECT_EQ(scan.CardCount, 1u);
  EXPECT_NE(errors.find("0000:04:00.0/vendor does not hold a PCI identifier"), std::string::npos) << errors;
  EXPECT_NE(errors.find("cannot read " + Tree.DevicesDirectory() + "/0000:06:00.0/device"),
            std::string::npos);
  EXPECT_NE(
      errors.find("cannot read " + Tree.DevicesDirectory() + "/0000:07:00.0/vendor: not a regular file"),
      std::string::npos);
  EXPECT_NE(errors.find("not-a-function is not named as a PCI function"), std::string::npos);
  EXPECT_EQ(errors.find(".hidden"), std::string::npos);
}

TEST_F(LinuxServiceTest, ScansHoldThirtyFunctionsAndNameTheRest) {
  char name[16];
  for (int bus = 0x40; bus > 0x40 - 35; --bus) {
    std::snprintf(name, sizeof name, "0000:%02x:00.0", bus);
    Tree.Add(IoBoard(0x136C, 0xA036, name));
  }
  PciScan scan{};
  const std::string errors = StderrOf([&] { scan = Scan(*this, 0x136C, 0xA036); });
  EXPECT_EQ(scan.CardCount, 30u);
  EXPECT_EQ(scan.CardSlots[0].Bus, 0x40u - 34);
  EXPECT_EQ(scan.CardSlots[29].Bus, 0x40u - 5);
  EXPECT_EQ(errors, "lineio: 35 PCI functions match; the scan record holds the first 30 of them\n");
}

PciCardInfo Info(BackendTest& test, PciSlot slot, bool& served) {
  const OsHandle handle = test.Service().Open();
  PciCardInfo info{};
  info.Slot = slot;
  served = test.Send(handle, ReqPciCardInfo, info);
  test.Service().Close(handle);
  return info;
}

TEST_F(LinuxServiceTest, CardInformationHoldsRangesInterruptAndLocation) {
  FakeFunction function = IoBoard(0x136C, 0xA036, "0001:03:04.2");
  function.Irq = 11;
  function.Bars = {FakeRange{true, 0xE000, 0x400}, FakeRange{false, 0xE8000000, 0x1000},
                   FakeRange{false, 0x4000000000, 0x80000, 0, true}, std::nullopt,
                   FakeRange{false, 0xF0000000, 0x100000, 0, true}};
  Tree.Add(function);
  bool served = false;
  PciCardInfo info{};
  const std::string errors = StderrOf([&] { info = Info(*this, PciSlot{0x103, 4, 2}, served); });
  ASSERT_TRUE(served);
  ASSERT_EQ(info.Card.ItemCount, 5u);
  struct Expected {
    std::uint32_t Type, Value0, Value1;
  };
  const Expected items[] = {{ItemIo, 0xE000, 0x400},
                            {ItemMemory, 0xE8000000, 0x1000},
                            {ItemMemory, 0xF0000000, 0x100000},
                            {ItemInterrupt, 11, 0},
                            {ItemBus, 5, 0x103}};
  for (std::uint32_t i = 0; i < 5; ++i) {
    EXPECT_EQ(info.Card.Items[i].Type, items[i].Type) << i;
    EXPECT_EQ(info.Card.Items[i].Value0, items[i].Value0) << i;
    EXPECT_EQ(info.Card.Items[i].Value1, items[i].Value1) << i;
  }
  EXPECT_EQ(info.Card.Items[4].Value2, 4u);
  EXPECT_EQ(info.Card.Items[4].Value4, 2u);
  EXPECT_EQ(errors,
            "lineio: 0001:03:04.2: memory range 0x4000000000-0x400007ffff (resource 2) does not fit the "
            "driver records' 32-bit fields; left out\n");
}

TEST_F(LinuxServiceTest, CardInformationOfBrokenFunctionsIsRefusedOrTrimmed) {
  Tree.Add(IoBoard(0x136C, 0xA036, "0000:03:00.0"));
  struct Case {
    const char* Name;
    const char* File;
    std::string Content;
    bool Served;
    std::uint32_t Items;
    const char* Error;
  };
  std::string thirtyUsed;
  for (int i = 0; i < 30; ++i) thirtyUsed += "0x000000000000e000 0x000000000000e3ff 0x0000000000040101\n";
  const std::string fifo = "(a FIFO)";
  std::string hundredLines;
  for (int i = 0; i < 100; ++i) hundredLines += "0x0 0x0 0x0\n";
  const Case cases[] = {
      {"bad resource line", "resource", "0x0 0x0\n", false, 0, "line 1: too few fields; not a resource file"},
      {"100 lines", "resource", hundredLines, false, 0, "line 0: more than 32 lines"},
      {"30 used lines", "resource", thirtyUsed, true, 8, ""},
      // Its length, 2^32, would be 0 in the item's 32-bit field.
      {"the whole 4 GiB from 0", "resource", "0x0000000000000000 0x00000000ffffffff 0x0000000000040200\n",
       true, 1,
       "memory range 0x0-0xffffffff (resource 0) does not fit the driver records' 32-bit fields; left out"},
      {"resource is a folder", "resource/x", "", false, 0, "cannot read"},
      {"irq garbage", "irq", "eleven\n", true, 2, "irq does not hold a number; no interrupt item"},
      // A FIFO would block its reader for ever.
      {"resource a FIFO", "resource", fifo, false, 0, "resource: not a regular file"},
      {"irq a FIFO", "irq", fifo, true, 2, "cannot read irq: not a regular file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Tree.Remove("0000:03:00.0");
    Tree.Add(IoBoard(0x136C, 0xA036, "0000:03:00.0"));
    if (c.Content == fifo) {
      Tree.MakeFifo("0000:03:00.0", c.File);
    } else if (std::string(c.File) == "resource/x") {
      std::filesystem::remove(Tree.FunctionDirectory("0000:03:00.0") + "/resource");
      std::filesystem::create_directories(Tree.FunctionDirectory("0000:03:00.0") + "/resource");
    } else {
      Tree.WriteFunctionFile("0000:03:00.0", c.File, c.Content);
    }
    bool served = false;
    PciCardInfo info{};
    const std::string errors = StderrOf([&] { info = Info(*this, PciSlot{3, 0, 0}, served); });
    EXPECT_EQ(served, c.Served);
    EXPECT_EQ(info.Card.ItemCount, c.Items);
    EXPECT_NE(errors.find(c.Error), std::string::npos) << errors;
  }
  bool served = true;
  const std::string errors = StderrOf([&] { Info(*this, PciSlot{9, 0, 0}, served); });
  EXPECT_FALSE(served);
  EXPECT_NE(errors.find("0000:09:00.0/resource: no such file"), std::string::npos) << errors;
  EXPECT_FALSE((Info(*this, PciSlot{3, 0x20, 0}, served), served));
}

std::uint32_t ConfigRequest(BackendTest& test, PciSlot slot, std::uint32_t offset, std::uint32_t bytes,
                            std::uint32_t readFlag, std::uint32_t& value) {
  const OsHandle handle = test.Service().Open();
  PciConfigAccess access{};
  access.Slot = slot;
  access.Buffer = &value;
  access.Offset = offset;
  access.ByteCount = bytes;
  access.ReadFlag = readFlag;
  const bool served = test.Send(handle, ReqPciConfig, access);
  test.Service().Close(handle);
  return served ? 1 : 0;
}

TEST_F(LinuxServiceTest, ConfigurationAccessMovesAlignedUnitsOrNothing) {
  FakeFunction function = IoBoard(0x136C, 0xA036, "0000:03:00.0");
  function.ConfigBytes = 64;  // what a caller without root sees
  Tree.Add(function);
  const PciSlot slot{3, 0, 0};
  std::uint32_t value = 0;
  EXPECT_EQ(ConfigRequest(*this, slot, 0, 4, 1, value), 1u);
  EXPECT_EQ(value, 0xA036136Cu);
  value = 0x12345678;
  EXPECT_EQ(ConfigRequest(*this, slot, 0x3C, 4, 0, value), 1u);
  EXPECT_EQ(Tree.ReadBytes(Tree.FunctionDirectory("0000:03:00.0") + "/config", 0x3C, 4),
            (std::vector<std::uint8_t>{0x78, 0x56, 0x34, 0x12}));
  value = 0;
  EXPECT_EQ(ConfigRequest(*this, slot, 0x3E, 2, 1, value), 1u);
  EXPECT_EQ(value, 0x1234u);

  struct Case {
    const char* Name;
    PciSlot Slot;
    std::uint32_t Offset, Bytes, ReadFlag;
    const char* Line;
  };
  const Case refused[] = {
      {"beyond what the file shows", slot, 0x40, 4, 1,
       "came back short: without root the kernel shows only the first 64 bytes"},
      {"write beyond the file", slot, 0x40, 4, 0, "config moved 0 of 4 bytes"},
      {"three bytes", slot, 0, 3, 1, ""},
      {"unaligned", slot, 2, 4, 1, ""},
      {"no such function", PciSlot{4, 0, 0}, 0, 4, 1, "0000:04:00.0/config: no such file"},
      {"no such slot", PciSlot{3, 0x20, 0}, 0, 4, 1, ""},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.Name);
    std::uint32_t untouched = 0xAAAAAAAA;
    const HeldResources before = CountHeld(Tree.Root());
    const std::string errors = StderrOf(
        [&] { EXPECT_EQ(ConfigRequest(*this, c.Slot, c.Offset, c.Bytes, c.ReadFlag, untouched), 0u); });
    EXPECT_EQ(untouched, 0xAAAAAAAAu);
    EXPECT_NE(errors.find(c.Line), std::string::npos) << errors;
    EXPECT_EQ(CountHeld(Tree.Root()), before);
  }
  PciConfigAccess noBuffer{};
  noBuffer.Slot = slot;
  noBuffer.ByteCount = 4;
  noBuffer.ReadFlag = 1;
  const OsHandle handle = Service().Open();
  EXPECT_FALSE(Send(handle, ReqPciConfig, noBuffer));
  Service().Close(handle);
  EXPECT_EQ(std::filesystem::file_size(Tree.FunctionDirectory("0000:03:00.0") + "/config"), 64u);
}

TEST_F(LinuxServiceTest, AConfigurationFileThatIsAFifoIsRefusedWithoutWaiting) {
  Tree.Add(IoBoard(0x136C, 0xA036, "0000:03:00.0"));
  Tree.MakeFifo("0000:03:00.0", "config");
  for (const std::uint32_t readFlag : {1u, 0u}) {
    SCOPED_TRACE(readFlag);
    std::uint32_t value = 0xAAAAAAAA;
    const HeldResources before = CountHeld(Tree.Root());
    const std::string errors = StderrOf([&] {
      EXPECT_EQ(ConfigRequest(*this, PciSlot{3, 0, 0}, 0, 4, readFlag, value), 0u);
    });
    EXPECT_EQ(value, 0xAAAAAAAAu);
    EXPECT_NE(errors.find("0000:03:00.0/config: not a regular file"), std::string::npos) << errors;
    EXPECT_EQ(CountHeld(Tree.Root()), before);
  }
}

TEST_F(LinuxServiceTest, TheExpansionRomIsListedAsMemory) {
  Tree.Add(IoBoard(0x136C, 0xA036, "0000:03:00.0"));
  std::string resource;
  for (int line = 0; line < 6; ++line) {
    resource += line == 0 ? "0x000000000000e000 0x000000000000e3ff 0x0000000000040101\n"
                          : "0x0000000000000000 0x0000000000000000 0x0000000000000000\n";
  }
  resource += "0x00000000febc0000 0x00000000febfffff 0x0000000000046200\n";
  Tree.WriteFunctionFile("0000:03:00.0", "resource", resource);
  bool served = false;
  const PciCardInfo info = Info(*this, PciSlot{3, 0, 0}, served);
  ASSERT_EQ(info.Card.ItemCount, 3u);
  EXPECT_EQ(info.Card.Items[1].Type, ItemMemory);
  EXPECT_EQ(info.Card.Items[1].Value0, 0xFEBC0000u);
  EXPECT_EQ(info.Card.Items[1].Value1, 0x40000u);
}

}  // namespace
}  // namespace lineio::testing
