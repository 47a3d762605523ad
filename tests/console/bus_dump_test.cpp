// Bus descriptions in the `lspci -x` format: parsing, writing, and the cards
// and resources made from them.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "sim/bus_dump.h"

namespace lineio::sim {
namespace {

std::vector<CardDump> SampleBus() {
  std::ifstream file(std::string(LINEIO_CONSOLE_DATA) + "/sample_bus.txt");
  return ParseBusDump(file);
}

TEST(BusDumpTest, ParsesLocationsDescriptionsAndBytes) {
  const std::vector<CardDump> cards = SampleBus();
  ASSERT_EQ(cards.size(), 3u);
  EXPECT_EQ(cards[1].Slot.Bus, 0u);
  EXPECT_EQ(cards[1].Slot.Slot, 3u);
  EXPECT_EQ(cards[2].Slot.Bus, 2u);  // behind a domain
  EXPECT_EQ(cards[2].Slot.Slot, 1u);
  EXPECT_EQ(cards[2].Description, "Signal processing controller: Kestrel line-test board");
  for (const CardDump& card : cards) EXPECT_EQ(card.Config.size(), DumpHeaderBytes);
  EXPECT_EQ(cards[1].Config[0x00], 0xF4);
  EXPECT_EQ(cards[1].Config[0x3C], 0x0B);
}

TEST(BusDumpTest, WrittenDumpReadsBackTheSame) {
  const std::vector<CardDump> cards = SampleBus();
  std::string text;
  for (const CardDump& card : cards) text += FormatCardDump(card);
  EXPECT_EQ(text.substr(0, text.find('\n', text.find('\n') + 1) + 1),
            "00:00.0 Host bridge: Intel Corporation 440FX - 82441FX PMC [Natoma] (rev 02)\n"
            "00: 86 80 37 12 06 00 00 00 02 00 00 06 00 00 00 00\n");
  std::istringstream again(text);
  const std::vector<CardDump> reread = ParseBusDump(again);
  ASSERT_EQ(reread.size(), cards.size());
  for (std::size_t i = 0; i < cards.size(); ++i) {
    EXPECT_EQ(reread[i].Config, cards[i].Config);
    EXPECT_EQ(reread[i].Description, cards[i].Description);
    EXPECT_EQ(reread[i].Slot.Slot, cards[i].Slot.Slot);
  }
}

TEST(BusDumpTest, RefusesWhatIsNotADump) {
  const char* const texts[] = {
      "hello world\n",
      "00: 86 80 37 12\n",                 // bytes before any card
      "00:01.0 card\n00: 86 80 zz 12\n",   // not a byte
      "00:01.0 card\n00: 86 80 371 12\n",  // not a byte
      "00:01.0 card\n00: 86 80\n",         // no device identifier
      "00:01.0 card\n00:02.0 other\n00: 86 80 37 12\n",
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    std::istringstream in(text);
    EXPECT_THROW(ParseBusDump(in), std::runtime_error);
  }
}

TEST(BusDumpTest, CardsGetTheResourcesTheirHeaderDescribes) {
  const std::vector<CardDump> cards = SampleBus();
  const std::unique_ptr<SimCard> card = MakeCardFromDump(cards[2]);
  EXPECT_EQ(card->Vendor(), 0x136C);
  EXPECT_EQ(card->Device(), 0xA036);
  ASSERT_EQ(card->Items().size(), 4u);
  const ResourceItem& io = card->Items()[0];
  EXPECT_EQ(io.Type, ItemIo);
  EXPECT_EQ(io.Value0, 0xE000u);
  EXPECT_EQ(io.Value1, MaxDumpedIoLength);
  EXPECT_EQ(card->Items()[1].Type, ItemMemory);
  EXPECT_EQ(card->Items()[1].Value0, 0xE8000000u);
  // The 64-bit range above 4 GiB at registers 2 and 3 is left out.
  EXPECT_FALSE(card->HasRange(2));
  EXPECT_FALSE(card->HasRange(3));
  EXPECT_EQ(card->Items()[2].Type, ItemInterrupt);
  EXPECT_EQ(card->Items()[2].Value0, 10u);
  EXPECT_EQ(card->Items()[3].Type, ItemBus);
  // Every byte as dumped, type bits included.
  for (std::uint32_t at = 0; at < DumpHeaderBytes; ++at) {
    EXPECT_EQ(card->ConfigRead(at, 1), cards[2].Config[at]) << at;
  }
  // A 64-bit range below 4 GiB takes two registers.
  const std::unique_ptr<SimCard> network = MakeCardFromDump(cards[1]);
  EXPECT_TRUE(network->HasRange(4));
  EXPECT_EQ(network->RangeBase(4), 0xFE000000u);
  EXPECT_FALSE(network->HasRange(5));
  EXPECT_EQ(network->RangeLength(0), 0x80u);  // the alignment of base 0xC080
}

TEST(BusDumpTest, LoadsCardsAtTheirLocations) {
  std::ifstream file(std::string(LINEIO_CONSOLE_DATA) + "/sample_bus.txt");
  SimBus bus;
  EXPECT_EQ(LoadBusDump(bus, file), 3);
  EXPECT_EQ(bus.FindBySlot(PciSlot{2, 1, 0}), 2);
  const CardDump dumped = DumpBusCard(bus, 2);
  EXPECT_EQ(dumped.Config, SampleBus()[2].Config);
  EXPECT_EQ(dumped.Description, "1180: 136c:a036 (rev 01)");

  std::istringstream twice("00:01.0 a\n00: 86 80 37 12\n\n00:01.0 b\n00: 86 80 37 12\n");
  SimBus crowded;
  EXPECT_THROW(LoadBusDump(crowded, twice), std::invalid_argument);
}

}  // namespace
}  // namespace lineio::sim
