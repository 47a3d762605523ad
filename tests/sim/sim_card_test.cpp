// The configuration space and register file of a generic simulated card.
#include <gtest/gtest.h>

#include "sim/sim_card.h"

namespace lineio::sim {
namespace {

constexpr std::uint16_t Vendor = 0x1234;
constexpr std::uint16_t Device = 0x5678;

struct ConfigWriteCase {
  const char* Name;
  std::uint32_t Offset;
  std::uint32_t Bytes;
  std::uint32_t Written;
  std::uint32_t Expected;  // read back with the same width
};

TEST(SimCardTest, ConfigWritesKeepReadOnlyBits) {
  const ConfigWriteCase cases[] = {
      {"vendor", ConfigVendor, 2, 0xFFFF, Vendor},
      {"device", ConfigDevice, 2, 0x0000, Device},
      {"class code", ConfigClassCode, 3, 0x000000, 0x118000},
      {"header type and BIST", ConfigHeaderType, 2, 0xFFFF, 0x0000},
      {"command enables", ConfigCommand, 2, 0xFFFF, 0x07FF},
      {"latency timer", ConfigLatencyTimer, 1, 0x40, 0x40},
      {"interrupt line", ConfigInterruptLine, 1, 0x0B, 0x0B},
      {"unimplemented register 5", BarOffset(5), 4, 0xFFFFFFFF, 0},
      {"device specific", ConfigDeviceSpecific, 4, 0xDEADBEEF, 0xDEADBEEF},
      {"straddles the end", 0xFE, 4, 0x12345678, 0xFFFF5678},
      {"past the end", 0x100, 4, 0, 0xFFFFFFFF},
  };
  for (const auto& c : cases) {
    SimCard card(Vendor, Device);
    card.SetClassCode(0x118000);
    card.ConfigWrite(c.Offset, c.Bytes, c.Written);
    EXPECT_EQ(card.ConfigRead(c.Offset, c.Bytes), c.Expected) << c.Name;
  }
}

struct BarCase {
  const char* Name;
  bool Io;
  int Bar;
  std::uint32_t Base;
  std::uint32_t Length;
  std::uint32_t Programmed;
  std::uint32_t Sized;  // read back after a write of all ones
};

TEST(SimCardTest, BaseAddressRegistersProgramBaseAndAnswerSizing) {
  const BarCase cases[] = {
      {"I/O 0x400", true, 0, 0xC000, 0x400, 0xC001, 0xFFFFFC01},
      {"I/O 0x100 at register 2", true, 2, 0xE000, 0x100, 0xE001, 0xFFFFFF01},
      {"I/O of 3 bytes rounds up to 4", true, 1, 0xD000, 3, 0xD001, 0xFFFFFFFD},
      {"memory 4 KiB", false, 0, 0xFEB00000, 0x1000, 0xFEB00000, 0xFFFFF000},
      {"memory 128 KiB at register 5", false, 5, 0xFEBC0000, 0x20000, 0xFEBC0000, 0xFFFE0000},
      {"memory of 100 bytes rounds up to 128", false, 3, 0xFE000000, 100, 0xFE000000, 0xFFFFFF80},
      {"expansion ROM 64 KiB", false, ExpansionRomBar, 0xFFF00000, 0x10000, 0xFFF00000, 0xFFFF0001},
  };
  for (const auto& c : cases) {
    SimCard card(Vendor, Device);
    if (c.Io) {
      card.AddIoRange(c.Bar, c.Base, c.Length);
    } else {
      card.AddMemoryRange(c.Bar, c.Base, c.Length);
    }
    const std::uint32_t offset = BarOffset(c.Bar);
    EXPECT_EQ(card.ConfigRead(offset, 4), c.Programmed) << c.Name;
    card.ConfigWrite(offset, 4, 0xFFFFFFFF);
    EXPECT_EQ(card.ConfigRead(offset, 4), c.Sized) << c.Name;
    card.ConfigWrite(offset, 4, c.Programmed);
    EXPECT_EQ(card.ConfigRead(offset, 4), c.Programmed) << c.Name << " restored";
  }
}

TEST(SimCardTest, ResourceItemsFollowCallOrderAndLocationIsFilledWhenPlaced) {
  SimCard card(Vendor, Device);
  card.AddInterrupt(11);
  card.AddMemoryRange(1, 0xFE000000, 0x100);
  card.AddIoRange(0, 0xC000, 0x40);
  card.AddLocationItem();
  card.PlaceAt(PciSlot{2, 7, 0});

  const auto& items = card.Items();
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].Type, ItemInterrupt);
  EXPECT_EQ(items[0].Value0, 11u);
  EXPECT_EQ(items[1].Type, ItemMemory);
  EXPECT_EQ(items[1].Value0, 0xFE000000u);
  EXPECT_EQ(items[1].Value1, 0x100u);
  EXPECT_EQ(items[2].Type, ItemIo);
  EXPECT_EQ(items[2].Value0, 0xC000u);
  EXPECT_EQ(items[3].Type, ItemBus);
  EXPECT_EQ(items[3].Value0, PciBusType);
  EXPECT_EQ(items[3].Value1, 2u);
  EXPECT_EQ(items[3].Value2, 7u);
  EXPECT_EQ(card.ConfigRead(ConfigInterruptLine, 1), 11u);
  EXPECT_EQ(card.ConfigRead(ConfigCommand, 2) & 0x3, 0x3u);  // I/O and memory enabled
}

TEST(SimCardTest, RefusesBadRanges) {
  SimCard card(Vendor, Device);
  card.AddIoRange(0, 0xC000, 0x40);
  EXPECT_THROW(card.AddMemoryRange(0, 0xFE000000, 0x100), std::invalid_argument);
  EXPECT_THROW(card.AddIoRange(7, 0xD000, 0x40), std::invalid_argument);
  EXPECT_THROW(card.AddMemoryRange(1, 0xFE000000, 0), std::invalid_argument);
}

TEST(SimCardTest, IoRegisterFileReadsBackLittleEndianAndAllOnesOutside) {
  SimCard card(Vendor, Device);
  card.AddIoRange(0, 0xC000, 8);
  card.IoWrite(0, 0, 4, 0x44332211);
  card.IoWrite(0, 4, 2, 0x6655);
  EXPECT_EQ(card.IoRead(0, 0, 1), 0x11u);
  EXPECT_EQ(card.IoRead(0, 1, 2), 0x3322u);
  EXPECT_EQ(card.IoRead(0, 2, 4), 0x66554433u);
  EXPECT_EQ(card.IoRead(0, 6, 4), 0xFFFF0000u);  // two bytes inside, two past the end
  card.IoWrite(0, 8, 1, 0x77);                   // ignored
  EXPECT_EQ(card.IoRead(0, 8, 1), 0xFFu);
  EXPECT_EQ(card.IoRead(3, 0, 2), 0xFFFFu);  // no range there
}

TEST(SimCardTest, MemoryRangeIsZeroedRealMemory) {
  SimCard card(Vendor, Device);
  card.AddMemoryRange(0, 0xFE000000, 0x100);
  std::uint8_t* memory = card.MemoryOf(0);
  ASSERT_NE(memory, nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(memory) % alignof(std::uint32_t), 0u);
  for (std::uint32_t i = 0; i < 0x100; ++i) ASSERT_EQ(memory[i], 0) << i;
  EXPECT_EQ(card.MemoryOf(1), nullptr);
}

}  // namespace
}  // namespace lineio::sim
