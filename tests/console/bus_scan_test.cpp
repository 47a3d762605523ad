// Listing the bus and the resources of a card; the console routines when the
// driver cannot be used.
#include <gtest/gtest.h>

#include <cstdio>

#include "console/console.h"
#include "tests/console/console_test_support.h"
#include "tests/support/console.h"

namespace lineio {
namespace {

using testing::Expected;

class BusScanTest : public testing::BoardTest {
 protected:
  // A card with every kind of item, one with only its location.
  void AddTwoCards() {
    auto card = std::make_unique<sim::SimCard>(0x136C, 0xA036);
    card->AddMemoryRange(0, 0xE8000000, 0x1000);
    card->AddInterrupt(11);
    card->AddIoRange(1, 0xE000, 0x100);
    card->AddRawItem(ResourceItem{ItemNone, 0, 1, 2, 3, 4, 5});
    card->AddRawItem(ResourceItem{4, 0, 1, 2, 3, 4, 5});
    card->AddLocationItem();
    AddCard(std::move(card));
    auto plain = std::make_unique<sim::SimCard>(0x8086, 0x1237);
    plain->AddLocationItem();
    AddCard(std::move(plain));
  }
  std::string Scan(const std::string& input) {
    testing::ScriptedStdin in(input);
    testing::CapturedStdout out;
    ScanPciBus();
    std::string text = out.Take();
    // What the scan left of the input.
    char rest[64] = {};
    if (std::fgets(rest, sizeof rest, stdin) != nullptr) left_ = rest;
    return text;
  }
  std::string left_;
};

TEST_F(BusScanTest, ListsEveryCardWithItsItemsOneLinePerCard) {
  AddTwoCards();
  EXPECT_EQ(Scan("\n\nafter\n"), Expected("scan_two_cards.txt"));
  EXPECT_EQ(left_, "after\n");
  // A 10,000-character line is still one line.
  EXPECT_EQ(Scan(std::string(10000, 'x') + "\nsecond\nafter\n"), Expected("scan_two_cards.txt"));
  EXPECT_EQ(left_, "after\n");
  // At end of input the listing goes on to the end.
  EXPECT_EQ(Scan(""), Expected("scan_two_cards.txt"));
  ExpectNothingHeld();
}

TEST_F(BusScanTest, EmptyBusPrintsOnlyTheHeading) { EXPECT_EQ(Scan(""), Expected("scan_empty_bus.txt")); }

TEST_F(BusScanTest, MemoryItemShowsItsFirstAndLastAddress) {
  AddTwoCards();
  testing::CapturedStdout out;
  PrintCardResources(0, 1, 0);
  const std::string printed = out.Take();
  EXPECT_EQ(printed.substr(0, printed.find('\n') + 1), Expected("resources_memory_item.txt"));
  PrintCardResources(0, 9, 0);  // no card there: no item
  EXPECT_EQ(out.Take(), "");
  EXPECT_EQ(Driver.OpenHandles(), 0);
}

TEST_F(BusScanTest, EveryRoutineStopsWhenTheDriverCannotBeUsed) {
  AddTwoCards();
  struct Case {
    const char* Name;
    bool Missing;
    std::uint32_t Version;
    const char* Message;
  };
  const Case cases[] = {
      {"no driver", true, 1100, "Cannot open WinDriver device\n"},
      {"old driver", false, 399, "error - incorrect WinDriver version\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Driver.SetDeviceMissing(c.Missing);
    Driver.SetVersion(c.Version);
    testing::ScriptedStdin in("136c\na036\n1\n5\nff\n99\n");
    testing::CapturedStdout out;
    ScanPciBus();
    EXPECT_EQ(out.Take(), c.Message);
    PrintCardResources(0, 1, 0);
    EXPECT_EQ(out.Take(), c.Message);
    EditConfigRegisters(PciSlot{0, 1, 0});
    EXPECT_EQ(out.Take(), c.Message);
    PciSlot slot{5, 5, 5};
    EXPECT_EQ(ChooseCard(slot), 0u);
    EXPECT_EQ(out.Take(), c.Message);
    EXPECT_EQ(slot.Bus, 5u);
    EXPECT_EQ(Driver.OpenHandles(), 0);
  }
}

TEST_F(BusScanTest, RegisterAccessorsWorkOnTheCallersHandle) {
  AddTwoCards();
  sim::SimCard& card = Bus.Card(0);
  card.ConfigPoke(0x40, 4, 0x44332211);
  const platform::OsHandle handle = Driver.Open();
  const PciSlot slot = Bus.SlotOf(0);
  struct Case {
    std::uint32_t Offset, Width, Value;
  };
  for (const Case& c : {Case{0x40, 1, 0x11}, Case{0x41, 1, 0x22}, Case{0x42, 2, 0x4433},
                        Case{0x41, 3, 0x443322}, Case{0x40, 4, 0x44332211}, Case{0x43, 1, 0x44}}) {
    EXPECT_EQ(ReadConfigRegister(handle, slot, c.Offset, c.Width), c.Value) << c.Offset;
  }
  WriteConfigRegister(handle, slot, 0x42, 2, 0xABCDEF);  // the width cuts the value
  EXPECT_EQ(card.ConfigRead(0x40, 4), 0xCDEF2211u);
  WriteConfigRegister(handle, slot, 0x41, 3, 0x556677);
  EXPECT_EQ(card.ConfigRead(0x40, 4), 0x55667711u);
  Driver.Close(handle);
}

}  // namespace
}  // namespace lineio
