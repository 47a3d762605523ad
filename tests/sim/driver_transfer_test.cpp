// Configuration space access and transfers through the simulated driver.
#include <array>
#include <cstring>

#include "tests/sim/driver_test_support.h"

namespace lineio::sim {
namespace {

using SimDriverAccessTest = DriverTest;

PciConfigAccess ConfigAccess(const PciSlot& slot, void* buffer, std::uint32_t offset, std::uint32_t bytes,
                             bool read) {
  PciConfigAccess access{};
  access.Slot = slot;
  access.Buffer = buffer;
  access.Offset = offset;
  access.ByteCount = bytes;
  access.ReadFlag = read ? 1 : 0;
  return access;
}

TEST_F(SimDriverAccessTest, ConfigReadsGiveIdentifiersAndBaseRegisters) {
  const PciSlot slot = bus_.SlotOf(cards_.Kestrel);
  struct Case {
    std::uint32_t Offset;
    std::uint32_t Bytes;
    std::uint32_t Expected;
  };
  const Case cases[] = {
      {ConfigVendor, 4, 0xA036136C},
      {ConfigVendor, 2, 0x136C},
      {ConfigDevice, 2, 0xA036},
      {ConfigDevice + 1, 1, 0xA0},
      {BarOffset(0), 4, BoardIoBase | 1},
      {BarOffset(1), 4, 0},
      {ConfigInterruptLine, 1, BoardInterruptLine},
  };
  for (const auto& c : cases) {
    std::uint32_t value = 0xEEEEEEEE;
    PciConfigAccess access = ConfigAccess(slot, &value, c.Offset, c.Bytes, true);
    ASSERT_TRUE(Send(ReqPciConfig, access)) << c.Offset;
    const std::uint32_t untouched = c.Bytes == 4 ? 0 : 0xEEEEEEEE << (8 * c.Bytes);
    EXPECT_EQ(value, c.Expected | untouched) << c.Offset << "/" << c.Bytes;
  }
}

TEST_F(SimDriverAccessTest, ConfigSizingWriteOfAllOnesGivesTheSizeMask) {
  const PciSlot slot = bus_.SlotOf(cards_.Kestrel);
  std::uint32_t value = 0xFFFFFFFF;
  PciConfigAccess write = ConfigAccess(slot, &value, BarOffset(0), 4, false);
  ASSERT_TRUE(Send(ReqPciConfig, write));
  PciConfigAccess read = ConfigAccess(slot, &value, BarOffset(0), 4, true);
  value = 0;
  ASSERT_TRUE(Send(ReqPciConfig, read));
  EXPECT_EQ(value, ~(BoardIoLength - 1) | 1);

  value = 0;  // vendor is read-only
  write = ConfigAccess(slot, &value, ConfigVendor, 2, false);
  ASSERT_TRUE(Send(ReqPciConfig, write));
  EXPECT_EQ(bus_.Card(cards_.Kestrel).Vendor(), KestrelVendor);
}

TEST_F(SimDriverAccessTest, ConfigOfAnEmptySlotReadsAllOnes) {
  std::uint32_t value = 0;
  PciConfigAccess access = ConfigAccess(PciSlot{0, 31, 0}, &value, 0, 4, true);
  ASSERT_TRUE(Send(ReqPciConfig, access));
  EXPECT_EQ(value, 0xFFFFFFFFu);
}

TEST_F(SimDriverAccessTest, ConfigRefusesBadByteCountsAndNoBuffer) {
  std::uint32_t value = 0x12345678;
  const PciSlot slot = bus_.SlotOf(cards_.Kestrel);
  for (std::uint32_t bytes : {0u, 5u, 8u}) {
    PciConfigAccess access = ConfigAccess(slot, &value, 0, bytes, true);
    EXPECT_FALSE(Send(ReqPciConfig, access)) << bytes;
  }
  EXPECT_EQ(value, 0x12345678u);
  PciConfigAccess access = ConfigAccess(slot, nullptr, 0, 4, true);
  EXPECT_FALSE(Send(ReqPciConfig, access));
}

struct WidthCase {
  std::uint32_t Write;
  std::uint32_t Read;
  std::uint8_t Width;
  std::uint32_t Value;
};

constexpr std::array<WidthCase, 3> IoWidths = {{
    {PortWriteBytes, PortReadBytes, 1, 0x5A},
    {PortWriteWords, PortReadWords, 2, 0xBEEF},
    {PortWriteDwords, PortReadDwords, 4, 0x89ABCDEF},
}};

TEST_F(SimDriverAccessTest, IoTransfersReachTheCardRegistersAndAreTraced) {
  constexpr std::uint32_t Offset = 0x310;
  for (const auto& c : IoWidths) {
    driver_.ClearTrace();
    std::uint32_t out = c.Value;
    std::uint32_t in = 0;
    TransferCommand write{
        c.Write, BoardIoBase + Offset, c.Width, 1, 0, reinterpret_cast<std::uintptr_t>(&out)};
    TransferCommand read{c.Read, BoardIoBase + Offset, c.Width, 1, 0, reinterpret_cast<std::uintptr_t>(&in)};
    ASSERT_TRUE(Send(ReqTransfer, write)) << c.Write;
    EXPECT_EQ(bus_.Card(cards_.Kestrel).IoRead(0, Offset, c.Width), c.Value) << c.Write;
    ASSERT_TRUE(Send(ReqTransfer, read)) << c.Read;
    EXPECT_EQ(in, c.Value) << c.Read;
    const std::vector<RegisterAccess> expected = {
        {AccessDirection::Write, c.Width, cards_.Kestrel, 0, Offset, c.Value},
        {AccessDirection::Read, c.Width, cards_.Kestrel, 0, Offset, c.Value},
    };
    EXPECT_EQ(driver_.Trace(), expected) << c.Write;
  }
}

TEST_F(SimDriverAccessTest, BlockTransfersMoveEveryUnit) {
  const std::array<std::uint16_t, 3> words = {0x1111, 0x2222, 0x3333};
  TransferCommand write{PortWriteWords,
                        BoardIoBase + 0x100,
                        sizeof words,
                        1,
                        0,
                        reinterpret_cast<std::uintptr_t>(words.data())};
  ASSERT_TRUE(Send(ReqTransfer, write));
  const std::vector<RegisterAccess> expected = {
      {AccessDirection::Write, 2, cards_.Kestrel, 0, 0x100, 0x1111},
      {AccessDirection::Write, 2, cards_.Kestrel, 0, 0x102, 0x2222},
      {AccessDirection::Write, 2, cards_.Kestrel, 0, 0x104, 0x3333},
  };
  EXPECT_EQ(driver_.Trace(), expected);

  // Without auto-increment every unit goes to the same port.
  std::array<std::uint8_t, 2> bytes = {0, 0};
  TransferCommand read{
      PortReadBytes, BoardIoBase + 0x102, 2, 0, 0, reinterpret_cast<std::uintptr_t>(bytes.data())};
  ASSERT_TRUE(Send(ReqTransfer, read));
  EXPECT_EQ(bytes, (std::array<std::uint8_t, 2>{0x22, 0x22}));
}

TEST_F(SimDriverAccessTest, MemoryTransfersOfEachWidthLandInCardMemory) {
  CardRegistration registration = RegistrationFor(cards_.Network);
  ASSERT_TRUE(Send(ReqRegisterCard, registration));
  const std::uintptr_t driverAddress = registration.Card.Items[0].Value2;
  const std::uint8_t* memory = bus_.Card(cards_.Network).MemoryOf(0);
  const WidthCase cases[] = {
      {MemWriteBytes, MemReadBytes, 1, 0xA1},
      {MemWriteWords, MemReadWords, 2, 0xB2C3},
      {MemWriteDwords, MemReadDwords, 4, 0xD4E5F607},
  };
  std::uint32_t offset = 0x10;
  for (const auto& c : cases) {
    driver_.ClearTrace();
    std::uint32_t out = c.Value;
    std::uint32_t in = 0;
    TransferCommand write{
        c.Write, driverAddress + offset, c.Width, 1, 0, reinterpret_cast<std::uintptr_t>(&out)};
    ASSERT_TRUE(Send(ReqTransfer, write)) << c.Write;
    std::uint32_t held = 0;
    std::memcpy(&held, memory + offset, c.Width);
    EXPECT_EQ(held, c.Value) << c.Write;
    TransferCommand read{
        c.Read, driverAddress + offset, c.Width, 1, 0, reinterpret_cast<std::uintptr_t>(&in)};
    ASSERT_TRUE(Send(ReqTransfer, read)) << c.Read;
    EXPECT_EQ(in, c.Value) << c.Read;
    ASSERT_EQ(driver_.Trace().size(), 2u);
    EXPECT_EQ(driver_.Trace()[0],
              (RegisterAccess{AccessDirection::Write, c.Width, cards_.Network, 0, offset, c.Value}));
    offset += 8;
  }
}

TEST_F(SimDriverAccessTest, SingleValueWriteCarriesTheValueItself) {
  TransferCommand command{PortWriteDword, BoardIoBase + 0x20, 0, 0, 0, 0x0BADCAFE};
  ASSERT_TRUE(Send(ReqTransfer, command));
  EXPECT_EQ(bus_.Card(cards_.Kestrel).IoRead(0, 0x20, 4), 0x0BADCAFEu);
}

TEST_F(SimDriverAccessTest, TransfersThatReachNoRangeFail) {
  std::uint32_t data = 0x11223344;
  const auto buffer = reinterpret_cast<std::uintptr_t>(&data);
  const std::uintptr_t end = BoardIoBase + BoardIoLength;
  struct Case {
    const char* Name;
    TransferCommand Command;
  };
  const Case cases[] = {
      {"no I/O range", {PortWriteBytes, 0x9000, 1, 1, 0, buffer}},
      {"past the range end", {PortWriteWords, end - 1, 2, 1, 0, buffer}},
      {"block past the end", {PortWriteBytes, end - 2, 4, 1, 0, buffer}},
      {"I/O port as memory", {MemWriteBytes, BoardIoBase, 1, 1, 0, buffer}},
      {"physical base is not the driver's address", {MemWriteBytes, 0xFEBC0000, 1, 1, 0, buffer}},
      {"unknown command", {30, BoardIoBase, 1, 1, 0, buffer}},
      {"odd byte count", {PortWriteWords, BoardIoBase, 3, 1, 0, buffer}},
      {"zero byte count", {PortWriteBytes, BoardIoBase, 0, 1, 0, buffer}},
      {"no buffer", {PortReadBytes, BoardIoBase, 1, 1, 0, 0}},
  };
  for (const auto& c : cases) {
    TransferCommand command = c.Command;
    EXPECT_FALSE(Send(ReqTransfer, command)) << c.Name;
  }
  EXPECT_EQ(data, 0x11223344u);
  EXPECT_TRUE(driver_.Trace().empty());
  for (std::uint32_t offset = 0; offset < BoardIoLength; ++offset) {
    ASSERT_EQ(bus_.Card(cards_.Kestrel).IoRead(0, offset, 1), 0u) << offset;
  }
}

}  // namespace
}  // namespace lineio::sim
