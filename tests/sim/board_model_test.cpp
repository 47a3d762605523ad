// The board models: what they decode from the register accesses they are sent,
// byte by byte as the driver delivers them, and that they decode the library's
// own handshakes into the right outputs and inputs.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "lineio.h"
#include "sim/default_bus.h"
#include "sim/kestrel_board.h"
#include "sim/line_board.h"
#include "sim/merlin_board.h"
#include "tests/support/board_fixture.h"

namespace lineio::sim {
namespace {

constexpr std::uint32_t Data = LineBoard::DefaultRegisterBase;
constexpr std::uint32_t Addr = Data + 2;
constexpr std::uint32_t Ctrl = Data + 4;
constexpr std::uint32_t Stat = Data + 6;

struct Write {
  std::uint32_t Offset;
  std::uint8_t Value;
};

enum class ModelKind { Kestrel, Merlin };

std::unique_ptr<LineBoard> MakeModel(ModelKind model) {
  if (model == ModelKind::Kestrel) return MakeKestrelBoard();
  return MakeMerlinBoard();
}

void Send(LineBoard& board, const std::vector<Write>& writes) {
  for (const Write& write : writes) board.IoWrite(0, write.Offset, 1, write.Value);
}

std::uint8_t ReadData(LineBoard& board) { return static_cast<std::uint8_t>(board.IoRead(0, Data, 1)); }

TEST(BoardModelTest, LogicalPortsLieWhereEachBoardDecodesThem) {
  struct Case {
    ModelKind Model;
    std::uint16_t Port;
    std::optional<BusLocation> Location;
  };
  const Case cases[] = {
      {ModelKind::Kestrel, 0, BusLocation{BusBank::Direct, 0x00}},
      {ModelKind::Kestrel, 15, BusLocation{BusBank::Direct, 0x0F}},
      {ModelKind::Kestrel, 16, BusLocation{BusBank::First, 0x10}},
      {ModelKind::Kestrel, 21, BusLocation{BusBank::First, 0x15}},
      {ModelKind::Kestrel, 22, std::nullopt},
      {ModelKind::Kestrel, 37, BusLocation{BusBank::First, 0x25}},
      {ModelKind::Kestrel, 48, BusLocation{BusBank::First, 0x40}},
      {ModelKind::Kestrel, 69, BusLocation{BusBank::First, 0x85}},
      {ModelKind::Kestrel, 70, std::nullopt},
      {ModelKind::Kestrel, 80, BusLocation{BusBank::Second, 0x10}},
      {ModelKind::Kestrel, 101, BusLocation{BusBank::Second, 0x25}},
      {ModelKind::Kestrel, 112, BusLocation{BusBank::Second, 0x40}},
      {ModelKind::Kestrel, 133, BusLocation{BusBank::Second, 0x85}},
      {ModelKind::Kestrel, 134, std::nullopt},
      {ModelKind::Kestrel, 144, std::nullopt},
      {ModelKind::Kestrel, 0xFFFF, std::nullopt},
      {ModelKind::Merlin, 3, BusLocation{BusBank::Direct, 0x03}},
      {ModelKind::Merlin, 64, BusLocation{BusBank::First, 0x80}},
      {ModelKind::Merlin, 69, BusLocation{BusBank::First, 0x85}},
      {ModelKind::Merlin, 70, std::nullopt},
      {ModelKind::Merlin, 80, std::nullopt},
      {ModelKind::Merlin, 133, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "port " << c.Port);
    const std::unique_ptr<LineBoard> board = MakeModel(c.Model);
    EXPECT_EQ(board->LocationOf(c.Port), c.Location);
    if (c.Location) {
      EXPECT_EQ(board->PortAt(*c.Location), c.Port);
    }
  }
}

TEST(BoardModelTest, EveryBusLocationLeadsBackToItsPort) {
  for (const ModelKind model : {ModelKind::Kestrel, ModelKind::Merlin}) {
    const std::unique_ptr<LineBoard> board = MakeModel(model);
    int ports = 0;
    for (std::uint16_t port = 0; port < 256; ++port) {
      const std::optional<BusLocation> location = board->LocationOf(port);
      if (!location) continue;
      ++ports;
      EXPECT_EQ(board->PortAt(*location), port);
    }
    EXPECT_EQ(ports, model == ModelKind::Kestrel ? 64 : 40);
    EXPECT_EQ(board->PortAt({BusBank::First, 0x30}), std::nullopt);
    EXPECT_EQ(board->PortAt({BusBank::First, 0x16}), std::nullopt);
    EXPECT_EQ(board->PortAt({BusBank::Direct, 0x10}), std::nullopt);
  }
}

// Control byte sequences and what the board latched and reported.
struct HandshakeCase {
  const char* Name;
  ModelKind Model;
  std::vector<Write> Writes;
  std::vector<LatchedOutput> Latched;
  std::size_t Errors;
};

TEST(BoardModelTest, OutputsLatchOnTheRisingStrobeOfADecodableAddress) {
  const HandshakeCase cases[] = {
      {"group 1 on the first bank",
       ModelKind::Kestrel,
       {{Ctrl, 0x04},
        {Data, 0x12},
        {Addr, 0x10},
        {Ctrl, 0x04},
        {Ctrl, 0x06},
        {Ctrl, 0x04},
        {Data, 0},
        {Addr, 0}},
       {{16, 0x12}},
       0},
      {"group 5 on the second bank",
       ModelKind::Kestrel,
       {{Ctrl, 0x0C},
        {Data, 0x12},
        {Addr, 0x10},
        {Ctrl, 0x0C},
        {Ctrl, 0x0E},
        {Ctrl, 0x0C},
        {Data, 0},
        {Addr, 0}},
       {{80, 0x12}},
       0},
      {"group 4 without the enable bit",
       ModelKind::Kestrel,
       {{Data, 0x33}, {Addr, 0x85}, {Ctrl, 0x00}, {Ctrl, 0x02}, {Ctrl, 0x00}},
       {{69, 0x33}},
       0},
      {"direct port 3",
       ModelKind::Kestrel,
       {{Ctrl, 0x04}, {Data, 0x5A}, {Addr, 0x03}, {Ctrl, 0x0C}, {Ctrl, 0x0E}, {Ctrl, 0x0C}, {Ctrl, 0x04}},
       {{3, 0x5A}},
       0},
      {"Merlin group 4",
       ModelKind::Merlin,
       {{Data, 0x07}, {Addr, 0x80}, {Ctrl, 0x04}, {Ctrl, 0x06}, {Ctrl, 0x04}},
       {{64, 0x07}},
       0},
      {"Merlin direct port 15",
       ModelKind::Merlin,
       {{Data, 0xA5}, {Addr, 0x0F}, {Ctrl, 0x0C}, {Ctrl, 0x0E}, {Ctrl, 0x0C}, {Ctrl, 0x04}},
       {{15, 0xA5}},
       0},
      {"the byte in DataReg at the edge counts",
       ModelKind::Kestrel,
       {{Data, 0x11}, {Addr, 0x21}, {Ctrl, 0x06}, {Data, 0x22}, {Ctrl, 0x06}, {Ctrl, 0x04}},
       {{33, 0x11}},
       0},
      {"a strobe held high latches once",
       ModelKind::Kestrel,
       {{Data, 0x01}, {Addr, 0x40}, {Ctrl, 0x06}, {Ctrl, 0x06}, {Ctrl, 0x07}},
       {{48, 0x01}},
       0},
      {"control writes without a strobe latch nothing",
       ModelKind::Kestrel,
       {{Data, 0x99}, {Addr, 0x10}, {Ctrl, 0x04}, {Ctrl, 0x0C}, {Ctrl, 0x04}},
       {},
       0},
      {"Merlin has no second bank",
       ModelKind::Merlin,
       {{Data, 0x12}, {Addr, 0x10}, {Ctrl, 0x0C}, {Ctrl, 0x0E}, {Ctrl, 0x0C}},
       {},
       1},
      {"a group select that is not one-hot",
       ModelKind::Kestrel,
       {{Data, 0x12}, {Addr, 0x30}, {Ctrl, 0x04}, {Ctrl, 0x06}, {Ctrl, 0x04}},
       {},
       1},
      {"a group index above 5",
       ModelKind::Kestrel,
       {{Data, 0x12}, {Addr, 0x16}, {Ctrl, 0x04}, {Ctrl, 0x06}, {Ctrl, 0x04}},
       {},
       1},
      {"a direct address without the bank bit",
       ModelKind::Kestrel,
       {{Data, 0x12}, {Addr, 0x03}, {Ctrl, 0x04}, {Ctrl, 0x06}, {Ctrl, 0x04}},
       {},
       1},
      {"a read handshake whose strobe drops the read bit",
       ModelKind::Kestrel,
       {{Addr, 0x03}, {Ctrl, 0x0D}, {Ctrl, 0x0E}, {Ctrl, 0x04}},
       {},
       1},
  };
  for (const HandshakeCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::unique_ptr<LineBoard> board = MakeModel(c.Model);
    Send(*board, c.Writes);
    EXPECT_EQ(board->LatchHistory(), c.Latched);
    for (const LatchedOutput& latch : c.Latched) {
      EXPECT_EQ(board->OutputLatch(latch.Port), latch.Value);
    }
    EXPECT_EQ(board->ProtocolErrors().size(), c.Errors);
    for (const std::string& error : board->ProtocolErrors()) {
      EXPECT_FALSE(error.empty());
    }
  }
}

TEST(BoardModelTest, BanksKeepTheirOwnLatchesAtOneBusAddress) {
  KestrelBoard board;
  Send(board, {{Data, 0x01}, {Addr, 0x25}, {Ctrl, 0x04}, {Ctrl, 0x06}, {Ctrl, 0x04}});
  Send(board, {{Data, 0x02}, {Addr, 0x25}, {Ctrl, 0x0C}, {Ctrl, 0x0E}, {Ctrl, 0x0C}});
  EXPECT_EQ(board.OutputLatch(37), 0x01);
  EXPECT_EQ(board.OutputLatch(101), 0x02);
  EXPECT_EQ(board.OutputLatch(5), 0x00);
  EXPECT_TRUE(board.ProtocolErrors().empty());
}

// Read handshakes: which input reaches DataReg, and when.
struct ReadCase {
  const char* Name;
  ModelKind Model;
  std::vector<Write> BeforeRead;  // DataReg must still hold the filler here
  std::vector<Write> ToRead;      // after these it holds the input
  std::uint16_t Port;
};

TEST(BoardModelTest, AReadPutsTheInputOfTheAddressedPortIntoDataReg) {
  constexpr std::uint8_t Filler = 0xEE;
  const ReadCase cases[] = {
      {"group 2 at once", ModelKind::Kestrel, {{Addr, 0x25}, {Ctrl, 0x04}}, {{Ctrl, 0x05}}, 37},
      {"group 6 on the second bank", ModelKind::Kestrel, {{Addr, 0x25}, {Ctrl, 0x0C}}, {{Ctrl, 0x0D}}, 101},
      {"direct port 3 on the strobe",
       ModelKind::Kestrel,
       {{Addr, 0x03}, {Ctrl, 0x04}, {Ctrl, 0x0D}},
       {{Ctrl, 0x0F}},
       3},
      {"Merlin group 4 at once", ModelKind::Merlin, {{Addr, 0x82}, {Ctrl, 0x04}}, {{Ctrl, 0x05}}, 66},
      {"Merlin direct port 2 on the strobe",
       ModelKind::Merlin,
       {{Addr, 0x02}, {Ctrl, 0x0D}},
       {{Ctrl, 0x0F}},
       2},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::unique_ptr<LineBoard> board = MakeModel(c.Model);
    for (std::uint16_t port = 0; port < 256; ++port) {
      if (board->LocationOf(port)) board->SetInput(port, static_cast<std::uint8_t>(port + 1));
    }
    Send(*board, {{Data, Filler}});
    Send(*board, c.BeforeRead);
    EXPECT_EQ(ReadData(*board), Filler);
    Send(*board, c.ToRead);
    EXPECT_EQ(ReadData(*board), c.Port + 1);
    EXPECT_EQ(board->InputsRead(), std::vector<std::uint16_t>{c.Port});
    EXPECT_TRUE(board->LatchHistory().empty()) << "a read latches no output";
    EXPECT_TRUE(board->ProtocolErrors().empty());
  }
}

TEST(BoardModelTest, AReadOfAnAddressThatLeadsNowhereIsAProtocolError) {
  MerlinBoard board;
  Send(board, {{Data, 0x44}, {Addr, 0x25}, {Ctrl, 0x0D}});
  EXPECT_EQ(ReadData(board), 0x44);
  EXPECT_EQ(board.ProtocolErrors().size(), 1u);
  EXPECT_TRUE(board.InputsRead().empty());
  board.ClearProtocolErrors();
  EXPECT_TRUE(board.ProtocolErrors().empty());
}

TEST(BoardModelTest, RegistersOutsideTheHandshakeAreARegisterFile) {
  KestrelBoard board;
  board.IoWrite(0, 0x300, 4, 0x12345678);
  EXPECT_EQ(board.IoRead(0, 0x300, 4), 0x12345678u);
  board.IoWrite(0, Data, 2, 0xBEEF);  // DataReg and the byte above it
  EXPECT_EQ(board.IoRead(0, Data, 2), 0xBEEFu);
  board.IoWrite(0, Addr, 1, 0x5A);
  EXPECT_EQ(board.IoRead(0, Addr, 1), 0x5Au);
  EXPECT_TRUE(board.LatchHistory().empty());
}

TEST(BoardModelTest, StatRegReadsTheStatusByteAndCountsItsReads) {
  struct CountingBoard : KestrelBoard {
    int Hooked = 0;
    void OnStatusRead() override {
      ++Hooked;
      SetStatus(static_cast<std::uint8_t>(Status() ^ 1));  // a tick that flips on every read
    }
  } board;
  board.SetStatus(0x80);
  EXPECT_EQ(board.IoRead(0, Stat, 1), 0x81u);
  EXPECT_EQ(board.IoRead(0, Stat, 1), 0x80u);
  EXPECT_EQ(board.StatusReads(), 2u);
  EXPECT_EQ(board.Hooked, 2);
  board.IoWrite(0, Stat, 1, 0x00);
  EXPECT_EQ(board.IoRead(0, Stat, 1), 0x81u) << "a write does not change the status";
}

TEST(BoardModelTest, ADerivedDeviceSeesEveryLatchedByte) {
  struct Listening : MerlinBoard {
    std::vector<LatchedOutput> Seen;
    void OnOutputLatched(std::uint16_t port, std::uint8_t value) override { Seen.push_back({port, value}); }
  } board;
  Send(board, {{Data, 0x03}, {Addr, 0x24}, {Ctrl, 0x04}, {Ctrl, 0x06}, {Ctrl, 0x04}});
  Send(board, {{Data, 0x01}, {Ctrl, 0x06}, {Ctrl, 0x04}});
  const std::vector<LatchedOutput> expected = {{36, 0x03}, {36, 0x01}};
  EXPECT_EQ(board.Seen, expected);
}

TEST(BoardModelTest, TheRegistersFollowTheRegisterBase) {
  KestrelBoard board;
  board.SetRegisterBase(0xD0);
  Send(board, {{0xD0, 0x66}, {0xD2, 0x20}, {0xD4, 0x04}, {0xD4, 0x06}, {0xD4, 0x04}});
  Send(board, {{Data, 0x77}, {Addr, 0x21}, {Ctrl, 0x04}, {Ctrl, 0x06}, {Ctrl, 0x04}});
  const std::vector<LatchedOutput> expected = {{32, 0x66}};
  EXPECT_EQ(board.LatchHistory(), expected);
  EXPECT_EQ(board.IoRead(0, Ctrl, 1), 0x04u) << "the old CtrlReg is a plain register now";
}

TEST(BoardModelTest, PortsTheBoardDoesNotHaveAreRefused) {
  MerlinBoard board;
  EXPECT_THROW(board.SetInput(80, 1), std::invalid_argument);
  EXPECT_THROW(board.OutputLatch(22), std::invalid_argument);
  EXPECT_NO_THROW(board.SetInput(69, 1));
}

TEST(BoardModelTest, MakeBoardCardGivesTheModelForABoardsIdentifiers) {
  EXPECT_NE(dynamic_cast<KestrelBoard*>(MakeBoardCard(KestrelVendor, KestrelDevice).get()), nullptr);
  EXPECT_NE(dynamic_cast<MerlinBoard*>(MakeBoardCard(MerlinVendor, MerlinDevice).get()), nullptr);
  EXPECT_EQ(dynamic_cast<LineBoard*>(MakeBoardCard(0x1234, 0x5678).get()), nullptr);
  const std::unique_ptr<SimCard> board = MakeBoardCard(KestrelVendor, KestrelDevice, 0xD000, 9);
  EXPECT_TRUE(board->IsIoRange(0));
  EXPECT_EQ(board->RangeBase(0), 0xD000u);
  EXPECT_EQ(board->RangeLength(0), BoardIoLength);
  EXPECT_EQ(board->InterruptLine(), 9);
}

// The suite's board fixture fails a test whose board saw an access it could
// not decode.
struct ProbeTest : testing::BoardTest {
  void TestBody() override {}
};

TEST(BoardFixtureTest, AProtocolErrorOnTheBoardFailsTheTest) {
  EXPECT_NONFATAL_FAILURE(
      {
        ProbeTest probe;
        probe.AddOwnBoard();
        probe.OwnBoard().IoWrite(0, Addr, 1, 0x30);
        probe.OwnBoard().IoWrite(0, Ctrl, 1, 0x06);
      },
      "strobe at an address that leads to no port");
}

// The library's own handshakes, decoded by this deliverable's board model.
class LibraryOnBoardModelTest : public testing::BoardTest {
 protected:
  void SetUp() override {
    AddOwnBoard();
    PortInitPrinting(0);
  }
  std::vector<std::uint16_t> BoardPorts() {
    std::vector<std::uint16_t> ports;
    for (std::uint16_t port = 0; port < 256; ++port) {
      if (OwnBoard().LocationOf(port)) ports.push_back(port);
    }
    return ports;
  }
};

TEST_F(LibraryOnBoardModelTest, PortInitLatchesZeroIntoEveryGroupOutputOnce) {
  std::vector<LatchedOutput> expected;
  for (const std::uint16_t port : BoardPorts()) {
    if (port >= 16) expected.push_back({port, 0});
  }
  EXPECT_EQ(OwnBoard().LatchHistory(), expected);
  EXPECT_EQ(OwnBoard().Control(), 0x04);
}

TEST_F(LibraryOnBoardModelTest, EachPortWriteLatchesIntoThatPortAlone) {
  for (const std::uint16_t port : BoardPorts()) {
    SCOPED_TRACE(::testing::Message() << "port " << port);
    OwnBoard().ClearHistory();
    const auto value = static_cast<std::uint8_t>(0x80 ^ port);
    PortOut(port, static_cast<std::uint16_t>(0x100 | value));
    const std::vector<LatchedOutput> expected = {{port, value}};
    EXPECT_EQ(OwnBoard().LatchHistory(), expected);
    EXPECT_EQ(OwnBoard().OutputLatch(port), value);
  }
}

TEST_F(LibraryOnBoardModelTest, EachPortReadGivesThatPortsInput) {
  for (const std::uint16_t port : BoardPorts()) {
    OwnBoard().SetInput(port, static_cast<std::uint8_t>(0xC3 ^ port));
  }
  for (const std::uint16_t port : BoardPorts()) {
    SCOPED_TRACE(::testing::Message() << "port " << port);
    OwnBoard().ClearHistory();
    EXPECT_EQ(PortIinp(port), 0xC3 ^ port);
    EXPECT_EQ(OwnBoard().InputsRead(), std::vector<std::uint16_t>{port});
    EXPECT_TRUE(OwnBoard().LatchHistory().empty());
  }
}

}  // namespace
}  // namespace lineio::sim
