// Bus scans and card resources as the simulated driver reports them.
#include <vector>

#include "tests/sim/driver_test_support.h"

namespace lineio::sim {
namespace {

using SimDriverScanTest = DriverTest;

struct ScanCase {
  const char* Name;
  std::uint32_t Vendor;
  std::uint32_t Device;
  std::vector<int> Cards;  // expected, as indices of DefaultBusCards members
};

TEST_F(SimDriverScanTest, ListsMatchingCardsInBusOrder) {
  const ScanCase cases[] = {
      {"every card", 0, 0, {cards_.Network, cards_.Kestrel, cards_.Bridge, cards_.Merlin}},
      {"Kestrel", KestrelVendor, KestrelDevice, {cards_.Kestrel}},
      {"Merlin", MerlinVendor, MerlinDevice, {cards_.Merlin}},
      {"vendor only", MerlinVendor, 0, {cards_.Merlin}},
      {"device of another vendor", KestrelVendor, MerlinDevice, {}},
      {"nobody's", 0xABCD, 0x0001, {}},
  };
  for (const auto& c : cases) {
    PciScan scan{};
    scan.Search = PciId{c.Vendor, c.Device};
    ASSERT_TRUE(Send(ReqScanPciCards, scan)) << c.Name;
    ASSERT_EQ(scan.CardCount, c.Cards.size()) << c.Name;
    for (std::size_t i = 0; i < c.Cards.size(); ++i) {
      const SimCard& card = bus_.Card(c.Cards[i]);
      EXPECT_EQ(scan.CardIds[i].Vendor, card.Vendor()) << c.Name << " " << i;
      EXPECT_EQ(scan.CardIds[i].Device, card.Device()) << c.Name << " " << i;
      EXPECT_EQ(scan.CardSlots[i].Bus, bus_.SlotOf(c.Cards[i]).Bus) << c.Name << " " << i;
      EXPECT_EQ(scan.CardSlots[i].Slot, bus_.SlotOf(c.Cards[i]).Slot) << c.Name << " " << i;
      EXPECT_EQ(scan.CardSlots[i].Function, bus_.SlotOf(c.Cards[i]).Function) << c.Name << " " << i;
    }
  }
}

TEST(SimBusTest, HandsOutFreeSlotsAndRefusesTakenOnes) {
  SimBus bus;
  bus.AddCard(std::make_unique<SimCard>(1, 1), PciSlot{0, 1, 0});
  bus.AddCard(std::make_unique<SimCard>(1, 2));
  EXPECT_EQ(bus.SlotOf(1).Slot, 2u);
  EXPECT_THROW(bus.AddCard(std::make_unique<SimCard>(1, 3), PciSlot{0, 2, 0}), std::invalid_argument);
  EXPECT_EQ(bus.FindBySlot(PciSlot{0, 2, 0}), 1);
  EXPECT_EQ(bus.FindBySlot(PciSlot{0, 2, 1}), -1);
}

TEST_F(SimDriverScanTest, FillsAtMostThirtyEntriesAndCanReportMore) {
  SimBus crowded;
  for (std::uint16_t i = 0; i < 35; ++i) {
    crowded.AddCard(MakeBoardCard(KestrelVendor, KestrelDevice, 0x1000u + 0x400u * i));
  }
  SimulatedDriver driver(crowded);
  const platform::OsHandle handle = driver.Open();

  PciScan scan{};
  scan.Search = PciId{KestrelVendor, KestrelDevice};
  ASSERT_TRUE(driver.Request(handle, ReqScanPciCards, &scan, sizeof scan));
  EXPECT_EQ(scan.CardCount, MaxScannedCards);
  EXPECT_EQ(scan.CardSlots[MaxScannedCards - 1].Slot, crowded.SlotOf(29).Slot);

  driver.ReportCardCount(40);
  PciScan reported{};
  ASSERT_TRUE(driver.Request(handle, ReqScanPciCards, &reported, sizeof reported));
  EXPECT_EQ(reported.CardCount, 40u);
  EXPECT_EQ(reported.CardSlots[MaxScannedCards - 1].Slot, crowded.SlotOf(29).Slot);
}

TEST_F(SimDriverScanTest, CardInfoListsTheBoardItemsWithItsLocation) {
  const PciCardInfo info = CardInfo(cards_.Kestrel);
  ASSERT_EQ(info.Card.ItemCount, 3u);
  const ResourceItem& interrupt = info.Card.Items[0];
  const ResourceItem& io = info.Card.Items[1];
  const ResourceItem& location = info.Card.Items[2];
  EXPECT_EQ(interrupt.Type, ItemInterrupt);
  EXPECT_EQ(interrupt.Value0, BoardInterruptLine);
  EXPECT_EQ(interrupt.Value2, 0u);  // handles come with registration only
  EXPECT_EQ(io.Type, ItemIo);
  EXPECT_EQ(io.Value0, BoardIoBase);
  EXPECT_EQ(io.Value1, BoardIoLength);
  EXPECT_EQ(location.Type, ItemBus);
  EXPECT_EQ(location.Value1, bus_.SlotOf(cards_.Kestrel).Bus);
  EXPECT_EQ(location.Value2, bus_.SlotOf(cards_.Kestrel).Slot);
}

TEST_F(SimDriverScanTest, CardInfoOfAnEmptySlotFails) {
  PciCardInfo info{};
  info.Slot = PciSlot{0, 30, 0};
  EXPECT_FALSE(Send(ReqPciCardInfo, info));
  EXPECT_EQ(info.Card.ItemCount, 0u);
}

TEST_F(SimDriverScanTest, CardInfoFillsAtMostTwentyItemsAndCanReportMore) {
  auto card = std::make_unique<SimCard>(0x1111, 0x2222);
  for (std::uint32_t i = 0; i < 25; ++i) card->AddRawItem(ResourceItem{ItemIo, 0, 0x100 * i, 4, 0, 0, 0});
  const int index = bus_.CardCount();
  bus_.AddCard(std::move(card));

  PciCardInfo info = CardInfo(index);
  EXPECT_EQ(info.Card.ItemCount, MaxResourceItems);
  EXPECT_EQ(info.Card.Items[MaxResourceItems - 1].Value0, 0x100u * 19);

  driver_.ReportItemCount(21);
  info = CardInfo(index);
  EXPECT_EQ(info.Card.ItemCount, 21u);
  info = CardInfo(cards_.Kestrel);
  EXPECT_EQ(info.Card.ItemCount, 21u);
  EXPECT_EQ(info.Card.Items[3].Type, ItemNone);  // nothing written past the card's own items
}

}  // namespace
}  // namespace lineio::sim
