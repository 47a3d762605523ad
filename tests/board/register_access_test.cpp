// Raw register access through the current space: memory spaces by direct load
// and store with no request, I/O spaces by one transfer per access.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "board/board.h"
#include "lineio.h"
#include "platform/driver_service.h"
#include "portio/board_description.h"
#include "tests/support/board_fixture.h"

namespace lineio {
namespace {

using sim::AccessDirection;
using sim::RegisterAccess;
using testing::BoardTest;

class RegisterAccessTest : public BoardTest {};

TEST_F(RegisterAccessTest, WithoutABoardReadsGiveZeroAndNothingIsSent) {
  AddOwnBoard();
  EXPECT_EQ(InpB(0x310), 0);
  EXPECT_EQ(InpW(0x310), 0);
  EXPECT_EQ(InpD(0x310), 0u);
  OutB(0x310, 0x55);
  OutW(0x310, 0x5555);
  OutD(0x310, 0x55555555);
  EXPECT_EQ(Driver.TotalRequests(), 0u);
  EXPECT_EQ(Bus.Card(0).IoRead(0, 0x310, 4), 0u);
}

TEST_F(RegisterAccessTest, IoSpaceMakesOneTransferPerAccessOfEachWidth) {
  const int card = AddOwnBoard();
  PortInitPrinting(0);
  ASSERT_NE(processState.Board.CurrentBoard, nullptr);
  Driver.ClearTrace();
  const std::uint64_t before = Driver.RequestCount(ReqTransfer);

  OutB(0x300, 0x1FF);
  OutW(0x302, 0xBEEF);
  OutD(0x304, 0x12345678);
  EXPECT_EQ(InpB(0x300), 0xFF);
  EXPECT_EQ(InpW(0x302), 0xBEEF);
  EXPECT_EQ(InpD(0x304), 0x12345678u);
  EXPECT_EQ(InpW(0x305), 0x3456);  // bytes 0x305 and 0x306

  EXPECT_EQ(Driver.RequestCount(ReqTransfer) - before, 7u);
  const std::vector<RegisterAccess> expected = {
      {AccessDirection::Write, 1, card, 0, 0x300, 0xFF},
      {AccessDirection::Write, 2, card, 0, 0x302, 0xBEEF},
      {AccessDirection::Write, 4, card, 0, 0x304, 0x12345678},
      {AccessDirection::Read, 1, card, 0, 0x300, 0xFF},
      {AccessDirection::Read, 2, card, 0, 0x302, 0xBEEF},
      {AccessDirection::Read, 4, card, 0, 0x304, 0x12345678},
      {AccessDirection::Read, 2, card, 0, 0x305, 0x3456},
  };
  EXPECT_EQ(Driver.Trace(), expected);
}

TEST_F(RegisterAccessTest, MemorySpaceIsReachedDirectlyWithoutRequests) {
  auto card = std::make_unique<sim::SimCard>(static_cast<std::uint16_t>(ThisBoard().Vendor),
                                             static_cast<std::uint16_t>(ThisBoard().Device));
  card->AddMemoryRange(0, 0xE8000000, 0x1000);
  sim::SimCard& memoryCard = Bus.AddCard(std::move(card));
  PortInitPrinting(0);
  ASSERT_NE(processState.Board.CurrentBoard, nullptr);
  ASSERT_EQ(processState.Board.CurrentSpace, 0u);
  const std::uint64_t before = Driver.TotalRequests();

  std::uint8_t* memory = memoryCard.MemoryOf(0);
  OutB(0x10, 0x1AB);
  OutW(0x21, 0xCAFE);  // an odd offset is one access too
  OutD(0x30, 0xDEADBEEF);
  EXPECT_EQ(memory[0x10], 0xAB);
  EXPECT_EQ(memory[0x21], 0xFE);
  EXPECT_EQ(memory[0x22], 0xCA);
  std::uint32_t dword = 0;
  std::memcpy(&dword, memory + 0x30, sizeof dword);
  EXPECT_EQ(dword, 0xDEADBEEFu);

  memory[0x40] = 0x81;
  memory[0x41] = 0x92;
  memory[0x42] = 0xA3;
  memory[0x43] = 0xB4;
  EXPECT_EQ(InpB(0x40), 0x81);
  EXPECT_EQ(InpW(0x40), 0x9281);
  EXPECT_EQ(InpD(0x40), 0xB4A39281u);
  EXPECT_EQ(Driver.TotalRequests(), before);
}

TEST_F(RegisterAccessTest, AccessesPastTheEndOfAMemoryRangeReadZeroAndWriteNothing) {
  // A range shorter than the register set: PortInit itself writes past it.
  constexpr std::uint32_t Length = 0x100;
  auto card = std::make_unique<sim::SimCard>(static_cast<std::uint16_t>(ThisBoard().Vendor),
                                             static_cast<std::uint16_t>(ThisBoard().Device));
  card->AddMemoryRange(0, 0xE8000000, Length);
  sim::SimCard& memoryCard = Bus.AddCard(std::move(card));
  PortInitPrinting(0);
  ASSERT_NE(processState.Board.CurrentBoard, nullptr);
  std::uint8_t* memory = memoryCard.MemoryOf(0);
  std::memset(memory, 0xA5, Length);

  struct Case {
    std::uint16_t Offset;
    int Width;
    bool Inside;
  };
  const Case cases[] = {
      {0xFF, 1, true},  {0xFE, 2, true},  {0xFC, 4, true},   {0x100, 1, false},  {0xFF, 2, false},
      {0xFD, 4, false}, {0xFF, 4, false}, {0x310, 1, false}, {0xFFF0, 4, false}, {0xFFFF, 4, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "offset " << c.Offset << ", width " << c.Width);
    const std::uint32_t expected = c.Inside ? 0xA5A5A5A5u >> (32 - 8 * c.Width) : 0;
    switch (c.Width) {
      case 1:
        EXPECT_EQ(InpB(c.Offset), expected);
        OutB(c.Offset, 0x5A);
        break;
      case 2:
        EXPECT_EQ(InpW(c.Offset), expected);
        OutW(c.Offset, 0x5A5A);
        break;
      default:
        EXPECT_EQ(InpD(c.Offset), expected);
        OutD(c.Offset, 0x5A5A5A5A);
        break;
    }
    const std::uint8_t at = c.Offset < Length ? memory[c.Offset] : 0xA5;
    EXPECT_EQ(at, c.Inside ? 0x5A : 0xA5) << "a write past the end changes nothing in the range either";
    std::memset(memory, 0xA5, Length);
  }
}

// Registers memory items as the driver does, but hands back no mapping of
// them; with `keepsTransferAddress`, value 2 stays, the address that the
// driver's transfer requests take (as a driver that cannot map a range but
// reaches it itself gives).
class MappingLessDriver : public platform::DriverService {
 public:
  explicit MappingLessDriver(sim::SimulatedDriver& inner, bool keepsTransferAddress = false)
      : inner_(inner), keepsTransferAddress_(keepsTransferAddress) {}
  platform::OsHandle Open() override { return inner_.Open(); }
  bool Close(platform::OsHandle handle) override { return inner_.Close(handle); }
  bool Request(platform::OsHandle handle, std::uint32_t code, void* record, std::uint32_t size) override {
    const bool served = inner_.Request(handle, code, record, size);
    if (code == ReqRegisterCard) {
      CardResources& card = static_cast<CardRegistration*>(record)->Card;
      for (std::uint32_t i = 0; i < ItemsIn(card); ++i) {
        if (card.Items[i].Type != ItemMemory) continue;
        card.Items[i].Value3 = 0;
        if (!keepsTransferAddress_) card.Items[i].Value2 = 0;
      }
    }
    return served;
  }

 private:
  sim::SimulatedDriver& inner_;
  const bool keepsTransferAddress_;
};

TEST_F(RegisterAccessTest, AMemoryRangeWithoutAMappingReadsZeroAndWritesNothing) {
  auto card = std::make_unique<sim::SimCard>(static_cast<std::uint16_t>(ThisBoard().Vendor),
                                             static_cast<std::uint16_t>(ThisBoard().Device));
  card->AddMemoryRange(0, 0xE8000000, 0x1000);
  sim::SimCard& memoryCard = Bus.AddCard(std::move(card));
  MappingLessDriver mappingLess(Driver);
  platform::InstallDriverService(&mappingLess);
  PortInitPrinting(0);
  ASSERT_NE(processState.Board.CurrentBoard, nullptr);
  std::uint8_t* memory = memoryCard.MemoryOf(0);
  std::memset(memory, 0xA5, 0x1000);

  OutB(0x314, 0x12);
  OutW(0x310, 0x1234);
  OutD(0x0, 0x12345678);
  EXPECT_EQ(InpB(0x316), 0);
  EXPECT_EQ(InpW(0x310), 0);
  EXPECT_EQ(InpD(0x0), 0u);
  for (std::size_t at = 0; at < 0x1000; ++at) ASSERT_EQ(memory[at], 0xA5) << at;
  PortEnd();
  platform::InstallDriverService(&Driver);
}

TEST_F(RegisterAccessTest, AMemoryRangeThatTheDriverReachesButDidNotMapTakesOneTransferPerAccess) {
  auto card = std::make_unique<sim::SimCard>(static_cast<std::uint16_t>(ThisBoard().Vendor),
                                             static_cast<std::uint16_t>(ThisBoard().Device));
  card->AddMemoryRange(0, 0xE8000000, 0x1000);
  sim::SimCard& memoryCard = Bus.AddCard(std::move(card));
  MappingLessDriver transfersOnly(Driver, true);
  platform::InstallDriverService(&transfersOnly);
  PortInitPrinting(0);
  ASSERT_NE(processState.Board.CurrentBoard, nullptr);
  std::uint8_t* memory = memoryCard.MemoryOf(0);
  std::memset(memory, 0xA5, 0x1000);
  const std::uint64_t before = Driver.TotalRequests();

  OutB(0x314, 0x12);
  OutW(0x310, 0x3456);
  OutD(0xFFC, 0x789ABCDE);
  OutD(0xFFE, 0x11111111);  // reaches past the end: nothing is sent
  EXPECT_EQ(Driver.TotalRequests(), before + 3);
  EXPECT_EQ(memory[0x314], 0x12);
  EXPECT_EQ(memory[0x310], 0x56);
  EXPECT_EQ(memory[0x311], 0x34);
  EXPECT_EQ(memory[0xFFC], 0xDE);
  EXPECT_EQ(memory[0xFFF], 0x78);
  EXPECT_EQ(InpB(0x314), 0x12);
  EXPECT_EQ(InpW(0x310), 0x3456);
  EXPECT_EQ(InpD(0xFFC), 0x789ABCDEu);
  EXPECT_EQ(InpD(0xFFE), 0u);
  EXPECT_EQ(Driver.TotalRequests(), before + 6);
  PortEnd();
  platform::InstallDriverService(&Driver);
}

TEST_F(RegisterAccessTest, AnUnmappedCurrentSpaceReadsZeroAndWritesNothing) {
  auto card = std::make_unique<sim::SimCard>(static_cast<std::uint16_t>(ThisBoard().Vendor),
                                             static_cast<std::uint16_t>(ThisBoard().Device));
  card->AddIoRange(0, 0xC000, 0x400);
  ResourceItem stray{};
  stray.Type = ItemMemory;
  stray.Value0 = 0xF0000000;
  stray.Value1 = 0x1000;
  card->AddRawItem(stray);
  AddCard(std::move(card));
  PortInitPrinting(0);
  ASSERT_NE(processState.Board.CurrentBoard, nullptr);
  ASSERT_EQ(processState.Board.CurrentSpace, SpaceSlotCount);
  const std::uint64_t before = Driver.TotalRequests();

  OutB(0x310, 0x12);
  OutD(0x310, 0x12345678);
  EXPECT_EQ(InpB(0x310), 0);
  EXPECT_EQ(InpD(0x310), 0u);
  EXPECT_EQ(Driver.TotalRequests(), before);
}

TEST_F(RegisterAccessTest, ASpaceNotInUseSendsNothingAndReadsZero) {
  AddOwnBoard();
  PortInitPrinting(0);
  BoardHandle* board = processState.Board.CurrentBoard;
  ASSERT_NE(board, nullptr);
  const std::uint64_t before = Driver.TotalRequests();
  std::uint8_t byte = 0x77;
  EXPECT_FALSE(TransferSpace(board, 4, 0, DirectionRead, &byte, 1, Width8));
  EXPECT_EQ(byte, 0x77);
  EXPECT_EQ(ReadSpaceDword(board, 4, 0x10), 0u);
  WriteSpaceWord(board, 5, 0x10, 0x1234);
  EXPECT_EQ(Driver.TotalRequests(), before);
}

TEST_F(RegisterAccessTest, AFailedTransferReadsZero) {
  AddOwnBoard();
  PortInitPrinting(0);
  OutB(0x310, 0x5A);
  Driver.FailRequests(ReqTransfer, 1);
  EXPECT_EQ(InpB(0x310), 0);
  EXPECT_EQ(InpB(0x310), 0x5A);
}

}  // namespace
}  // namespace lineio
