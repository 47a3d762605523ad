// Bus descriptions in the `lspci -x` format: parsing, writing, and the cards
// and resources made from them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "sim/bus_dump.h"
#include "sim/pci_location.h"

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

TEST(BusDumpTest, CarriageReturnsBeforeALineEndAreNoPartOfTheLine) {
  std::istringstream in("00:03.0 Ethernet controller\r\r\n00: f4 1a 00 10\r\r\r\n");
  const std::vector<CardDump> cards = ParseBusDump(in);
  ASSERT_EQ(cards.size(), 1u);
  EXPECT_EQ(cards[0].Description, "Ethernet controller");
  EXPECT_EQ(cards[0].Config, (std::vector<std::uint8_t>{0xF4, 0x1A, 0x00, 0x10}));
  std::istringstream written(FormatCardDump(cards[0]));
  EXPECT_EQ(ParseBusDump(written).at(0).Description, "Ethernet controller");
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

  // A location the bus already holds.
  std::istringstream again("00:01.0 a\n00: 86 80 37 12\n");
  SimBus crowded;
  crowded.AddCard(std::make_unique<SimCard>(0x8086, 0x1237), PciSlot{0, 1, 0});
  EXPECT_THROW(LoadBusDump(crowded, again), std::invalid_argument);
  EXPECT_EQ(crowded.CardCount(), 1);
}

// The line number in the message of a refused dump, and the reason.
void ExpectRefusal(const std::string& text, int lineNumber, const std::string& reason) {
  SCOPED_TRACE(text.substr(0, 80));
  std::istringstream in(text);
  try {
    ParseBusDump(in);
    ADD_FAILURE() << "the dump was taken";
  } catch (const std::runtime_error& error) {
    const std::string message = error.what();
    EXPECT_EQ(message.rfind("bus dump line " + std::to_string(lineNumber) + ": ", 0), 0U) << message;
    EXPECT_NE(message.find(reason), std::string::npos) << message;
  }
}

const char* const Identifiers = "00: 86 80 37 12\n";

TEST(BusDumpTest, RefusesLocationsOutOfRangeOrSigned) {
  struct Case {
    const char* Location;
    const char* Reason;
  };
  const Case cases[] = {
      {"-1:01.0", "the bus '-1' is not a hexadecimal number"},
      {"+1:01.0", "the bus '+1' is not a hexadecimal number"},
      {"100:01.0", "the bus 100 is out of range (0 to ff)"},
      {"00:20.0", "the slot 20 is out of range (0 to 1f)"},
      {"00:-1.0", "the slot '-1' is not a hexadecimal number"},
      {"00:01.8", "the function 8 is out of range (0 to 7)"},
      {"00:01.-0", "the function '-0' is not a hexadecimal number"},
      {"1000000:00:01.0", "the domain 1000000 is out of range (0 to ffffff)"},
      {"-001:00:01.0", "the domain '-001' is not a hexadecimal number"},
      {"ffffffffffffffff:00:01.0", "the domain ffffffffffffffff is out of range"},
      {":01.0", "no bus"},
      {"00:01.", "no function"},
  };
  for (const Case& c : cases) {
    ExpectRefusal(std::string("# a dump\n") + c.Location + " card\n" + Identifiers, 2, c.Reason);
  }
}

TEST(BusDumpTest, RefusesBytesPastTheConfigurationSpace) {
  struct Case {
    std::string DataLine;
    const char* Reason;
  };
  const Case cases[] = {
      {"ffffffffffffffff: 11 22", "offset ffffffffffffffff lies past the configuration space"},
      {"1000: 11", "offset 1000 lies past the configuration space"},
      {"ff8: 00 01 02 03 04 05 06 07 08", "the bytes run past the configuration space"},
  };
  for (const Case& c : cases)
    ExpectRefusal("00:01.0 card\n" + std::string(Identifiers) + c.DataLine + "\n", 3, c.Reason);

  // The extended space is read and passed over; byte 0 keeps its value.
  std::istringstream extended("00:01.0 card\n" + std::string(Identifiers) +
                              "ff0: 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f\n");
  const std::vector<CardDump> cards = ParseBusDump(extended);
  ASSERT_EQ(cards.size(), 1U);
  EXPECT_EQ(cards[0].Config, (std::vector<std::uint8_t>{0x86, 0x80, 0x37, 0x12}));
}

TEST(BusDumpTest, RefusesTwoCardsAtOneLocation) {
  ExpectRefusal("0001:00:01.0 a\n" + std::string(Identifiers) + "\n1:00:01.0 b\n", 4,
                "a second card at 0001:00:01.0");
}

TEST(BusDumpTest, StopsAtALineTooLongOrAReadError) {
  ExpectRefusal("00:01.0 card\n" + std::string(Identifiers) + std::string(MaxDumpLineLength + 1, ' ') + "\n",
                3, "longer than 4096 characters");
  // An endless line of zero bytes stops at the bound.
  std::ifstream zeros("/dev/zero");
  SimBus bus;
  EXPECT_THROW(LoadBusDump(bus, zeros), std::runtime_error);
  EXPECT_EQ(bus.CardCount(), 0);
  // A directory opens, but cannot be read.
  std::ifstream directory(std::filesystem::temp_directory_path());
  ASSERT_TRUE(directory.is_open());
  try {
    ParseBusDump(directory);
    ADD_FAILURE() << "a directory was read as a dump";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()), "bus dump line 1: read error");
  }
}

// A stream that gives its text, then fails to read.
class FailingBuffer : public std::stringbuf {
 public:
  explicit FailingBuffer(const std::string& text) : std::stringbuf(text) {}

 protected:
  int_type underflow() override {
    const int_type next = std::stringbuf::underflow();
    if (next == traits_type::eof()) throw std::ios_base::failure("device gone");
    return next;
  }
};

TEST(BusDumpTest, AReadErrorAfterSomeCardsIsNoEndOfInput) {
  FailingBuffer buffer("00:01.0 card\n" + std::string(Identifiers));
  std::istream in(&buffer);
  try {
    ParseBusDump(in);
    ADD_FAILURE() << "a failed read ended the dump";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()), "bus dump line 3: read error");
  }
}

TEST(BusDumpTest, KeepsTheDomainOfEachCard) {
  std::istringstream text("0000:00:01.0 first\n" + std::string(Identifiers) + "\n0001:00:01.0 second\n" +
                          Identifiers + "\n10000:02:1f.7 five digits\n" + Identifiers);
  SimBus bus;
  ASSERT_EQ(LoadBusDump(bus, text), 3);
  EXPECT_EQ(bus.FindBySlot(PciSlot{0x000, 1, 0}), 0);
  EXPECT_EQ(bus.FindBySlot(PciSlot{0x100, 1, 0}), 1);
  EXPECT_EQ(bus.FindBySlot(PciSlot{0x1000002, 0x1F, 7}), 2);
  EXPECT_EQ(DomainOf(bus.SlotOf(2)), 0x10000U);
  EXPECT_EQ(BusNumberOf(bus.SlotOf(2)), 2U);

  // Written back as lspci writes them: the domain only where it is not 0.
  std::string written;
  for (int index = 0; index < bus.CardCount(); ++index) written += FormatCardDump(DumpBusCard(bus, index));
  EXPECT_EQ(written.substr(0, written.find(' ')), "00:01.0");
  EXPECT_NE(written.find("\n0001:00:01.0 "), std::string::npos);
  EXPECT_NE(written.find("\n10000:02:1f.7 "), std::string::npos);
  std::istringstream again(written);
  const std::vector<CardDump> reread = ParseBusDump(again);
  ASSERT_EQ(reread.size(), 3U);
  for (int index = 0; index < 3; ++index) {
    EXPECT_EQ(reread[static_cast<std::size_t>(index)].Slot.Bus, bus.SlotOf(index).Bus);
    EXPECT_EQ(reread[static_cast<std::size_t>(index)].Slot.Slot, bus.SlotOf(index).Slot);
    EXPECT_EQ(reread[static_cast<std::size_t>(index)].Slot.Function, bus.SlotOf(index).Function);
  }
  // The location items name the encoded bus, as the driver's records carry it.
  EXPECT_EQ(bus.Card(1).Items().back().Value1, 0x100U);
}

}  // namespace
}  // namespace lineio::sim
