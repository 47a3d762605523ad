// Opening the driver link, scanning and opening boards, and what each failure
// leaves behind (nothing but its message).
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "board/board.h"
#include "platform/driver_service.h"
#include "portio/board_description.h"
#include "tests/support/board_fixture.h"
#include "tests/support/console.h"

namespace lineio {
namespace {

using testing::BoardTest;
using testing::CapturedStdout;

class OpenBoardTest : public BoardTest {};

TEST_F(OpenBoardTest, DriverLinkFailuresPrintTheirMessage) {
  struct Case {
    const char* Name;
    bool DeviceMissing;
    std::uint32_t Version;
    bool VersionRequestFails;
    const char* Printed;
  };
  const Case cases[] = {
      {"no device", true, 1100, false, "Cannot open WinDriver device\n"},
      {"version 399", false, 399, false, "error - incorrect WinDriver version\n"},
      {"failed version request", false, 1100, true, "error - incorrect WinDriver version\n"},
      {"version 400", false, 400, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Driver.SetDeviceMissing(c.DeviceMissing);
    Driver.SetVersion(c.Version);
    Driver.FailRequests(ReqDriverVersion, c.VersionRequestFails ? 1 : 0);
    CapturedStdout out;
    platform::OsHandle link = platform::NoHandle;
    const std::uint32_t opened = OpenDriverLink(link);
    EXPECT_EQ(out.Take(), c.Printed);
    EXPECT_EQ(opened, c.Printed[0] == '\0' ? 1u : 0u);
    if (opened != 0) {
      EXPECT_EQ(Driver.OpenHandles(), 1);
      platform::CloseOsHandle(link);
    } else {
      EXPECT_EQ(link, platform::InvalidOsHandle);
    }
    ExpectNothingHeld();
  }
}

TEST_F(OpenBoardTest, ScanBoardsCountsMatchingCardsAndExplainsFailures) {
  AddOwnBoard();
  AddOwnBoard();
  AddCard(sim::MakeBoardCard(0x1234, 0x5678, 0xD000));
  EXPECT_EQ(ScanBoards(ThisBoard().Vendor, ThisBoard().Device), 2u);
  EXPECT_STREQ(processState.Board.ErrorText, "");
  EXPECT_EQ(ScanBoards(0x1234, 0x5678), 1u);
  EXPECT_EQ(ScanBoards(0x1234, 0x9999), 0u);
  EXPECT_STREQ(processState.Board.ErrorText, "no cards found\n");

  Driver.SetVersion(12);
  EXPECT_EQ(ScanBoards(0x1234, 0x5678), 0u);
  EXPECT_STREQ(processState.Board.ErrorText, "error - incorrect WinDriver version\n");
  Driver.SetDeviceMissing(true);
  EXPECT_EQ(ScanBoards(0x1234, 0x5678), 0u);
  EXPECT_STREQ(processState.Board.ErrorText, "Cannot open WinDriver device\n");
  ExpectNothingHeld();
}

TEST_F(OpenBoardTest, ScanBoardsBelievesNoMoreCardsThanTheRecordHolds) {
  AddOwnBoard();
  Driver.ReportCardCount(45);
  EXPECT_EQ(ScanBoards(ThisBoard().Vendor, ThisBoard().Device), MaxScannedCards);
}

TEST_F(OpenBoardTest, OpenBoardFailuresLeaveNothingBehind) {
  struct Case {
    const char* Name;
    void (*Arrange)(OpenBoardTest&);
    std::uint32_t CardNumber;
    const char* Message;
  };
  const Case cases[] = {
      {"no device", [](OpenBoardTest& t) { t.Driver.SetDeviceMissing(true); }, 0,
       "Cannot open WinDriver device\n"},
      {"old driver", [](OpenBoardTest& t) { t.Driver.SetVersion(250); }, 0,
       "error - incorrect WinDriver version\n"},
      {"no card", [](OpenBoardTest& t) { t.Driver.FailRequests(ReqScanPciCards, 1); }, 0,
       "error - Cannot find PCI card\n"},
      {"card number = count", [](OpenBoardTest&) {}, 1, "Card out of range of available cards\n"},
      {"card number far out", [](OpenBoardTest&) {}, 0xFFFFFFFF, "Card out of range of available cards\n"},
      {"locked by another user", [](OpenBoardTest& t) { t.Driver.LockByAnotherUser(0); }, 0,
       "error - could not lock device, already in use\n"},
      {"no resources reported", [](OpenBoardTest& t) { t.Driver.FailRequests(ReqPciCardInfo, 1); }, 0,
       "error - could not lock device, already in use\n"},
      {"cannot allocate", [](OpenBoardTest&) { FailNextBoardHandleAllocation(); }, 0,
       "error - cannot allocate board record\n"},
  };
  AddOwnBoard();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    c.Arrange(*this);
    BoardHandle* board = nullptr;
    EXPECT_EQ(OpenBoard(board, ThisBoard().Vendor, ThisBoard().Device, c.CardNumber, 0), 0u);
    EXPECT_EQ(board, nullptr);
    EXPECT_STREQ(processState.Board.ErrorText, c.Message);
    ExpectNothingHeld();
    Driver.SetDeviceMissing(false);
    Driver.SetVersion(sim::SimulatedDriverVersion);
    Driver.LockByAnotherUser(0, false);
  }
}

TEST_F(OpenBoardTest, ASecondOpenOfTheSameCardIsRefusedUntilTheFirstCloses) {
  AddOwnBoard();
  BoardHandle* first = nullptr;
  ASSERT_EQ(OpenBoard(first, ThisBoard().Vendor, ThisBoard().Device, 0, 0), 1u);
  EXPECT_EQ(Driver.Registrations(), 1);

  BoardHandle* second = nullptr;
  EXPECT_EQ(OpenBoard(second, ThisBoard().Vendor, ThisBoard().Device, 0, 0), 0u);
  EXPECT_STREQ(processState.Board.ErrorText, "error - could not lock device, already in use\n");
  EXPECT_EQ(Driver.OpenHandles(), 1);
  EXPECT_EQ(LiveBoardHandles(), 1);

  CloseBoard(first);
  ExpectNothingHeld();
  ASSERT_EQ(OpenBoard(second, ThisBoard().Vendor, ThisBoard().Device, 0, 0), 1u);
  CloseBoard(second);
  ExpectNothingHeld();
}

TEST_F(OpenBoardTest, OpenBoardCopiesTheCardLocationAndClearsExclusiveFlags) {
  AddCard(sim::MakeBoardCard(0x1111, 0x2222, 0xD000));
  const int own = AddOwnBoard();
  BoardHandle* board = nullptr;
  ASSERT_EQ(OpenBoard(board, ThisBoard().Vendor, ThisBoard().Device, 0, 0), 1u);
  EXPECT_EQ(board->Slot.Bus, Bus.SlotOf(own).Bus);
  EXPECT_EQ(board->Slot.Slot, Bus.SlotOf(own).Slot);
  EXPECT_FALSE(board->WantInterrupts);
  const CardResources& card = board->Registration.Card;
  for (std::uint32_t i = 0; i < card.ItemCount; ++i) {
    EXPECT_NE(card.Items[i].Type, ItemInterrupt) << "interrupts are not registered without the wish";
    EXPECT_EQ(card.Items[i].Exclusive, 0u);
  }
  CloseBoard(board);
}

// Stands between the library and the simulated driver: every item of a card's
// resources is reported exclusive, and the items of each registration are
// kept as the driver received them.
class ExclusiveReportingDriver : public platform::DriverService {
 public:
  explicit ExclusiveReportingDriver(sim::SimulatedDriver& driver) : driver_(driver) {}
  platform::OsHandle Open() override { return driver_.Open(); }
  bool Close(platform::OsHandle handle) override { return driver_.Close(handle); }
  bool Request(platform::OsHandle handle, std::uint32_t code, void* record, std::uint32_t size) override {
    if (code == ReqRegisterCard) registered_.push_back(static_cast<CardRegistration*>(record)->Card);
    const bool served = driver_.Request(handle, code, record, size);
    if (code == ReqPciCardInfo) {
      CardResources& card = static_cast<PciCardInfo*>(record)->Card;
      for (std::uint32_t i = 0; i < ItemsIn(card); ++i) card.Items[i].Exclusive = 1;
    }
    return served;
  }
  const std::vector<CardResources>& Registered() const { return registered_; }

 private:
  sim::SimulatedDriver& driver_;
  std::vector<CardResources> registered_;
};

TEST_F(OpenBoardTest, RegistrationSharesTheInterruptAndKeepsOtherFlagsOnlyWithTheWish) {
  auto card = std::make_unique<sim::SimCard>(0x10EE, 0x7021);
  card->AddInterrupt(9);
  card->AddMemoryRange(0, 0xF0000000, 0x100);
  card->AddIoRange(1, 0xD000, 0x100);
  card->AddLocationItem();
  AddCard(std::move(card));
  ExclusiveReportingDriver reporting(Driver);
  platform::InstallDriverService(&reporting);

  struct Expected {
    std::uint32_t Type;
    std::uint32_t Exclusive;
  };
  struct Case {
    std::uint32_t Wish;
    Expected Items[4];
  };
  const Case cases[] = {
      {1, {{ItemInterrupt, 0}, {ItemMemory, 1}, {ItemIo, 1}, {ItemBus, 1}}},
      {0, {{ItemNone, 1}, {ItemMemory, 0}, {ItemIo, 0}, {ItemBus, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Wish);
    BoardHandle* board = nullptr;
    ASSERT_EQ(OpenBoard(board, 0x10EE, 0x7021, 0, c.Wish), 1u);
    CloseBoard(board);
    const CardResources& sent = reporting.Registered().back();
    ASSERT_EQ(sent.ItemCount, 4u);
    for (std::uint32_t i = 0; i < 4; ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(sent.Items[i].Type, c.Items[i].Type);
      EXPECT_EQ(sent.Items[i].Exclusive, c.Items[i].Exclusive);
    }
  }
  Driver.Install();
  ExpectNothingHeld();
}

TEST_F(OpenBoardTest, ResourceCountBeyondTheRecordIsNotBelieved) {
  AddOwnBoard();
  Driver.ReportItemCount(200);
  BoardHandle* board = nullptr;
  ASSERT_EQ(OpenBoard(board, ThisBoard().Vendor, ThisBoard().Device, 0, 0), 1u);
  EXPECT_TRUE(board->Spaces[0].InUse);
  CloseBoard(board);
  ExpectNothingHeld();
}

}  // namespace
}  // namespace lineio
