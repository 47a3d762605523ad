// The console dialogue of LocateBoard: prompts, choices and every message, byte
// for byte, with scripted answers.
#include <gtest/gtest.h>

#include <string>

#include "board/board.h"
#include "portio/board_description.h"
#include "tests/support/board_fixture.h"
#include "tests/support/console.h"

namespace lineio {
namespace {

using testing::BoardTest;
using testing::CapturedStdout;
using testing::ScriptedStdin;

class LocateBoardTest : public BoardTest {
 protected:
  // Runs LocateBoard with the answers; gives what it printed and keeps the board.
  std::string Locate(std::uint32_t vendor, std::uint32_t device, const std::string& answers) {
    ScriptedStdin input(answers);
    CapturedStdout out;
    located_ = LocateBoard(vendor, device, 0);
    return out.Take();
  }
  void TearDown() override {
    if (located_ != nullptr) CloseBoard(located_);
    ExpectNothingHeld();
  }
  BoardHandle* located_ = nullptr;
};

TEST_F(LocateBoardTest, OneMatchingCardOpensWithoutAQuestion) {
  AddOwnBoard();
  EXPECT_EQ(Locate(ThisBoard().Vendor, ThisBoard().Device, ""), "DOVEVED PCI card found!\n");
  ASSERT_NE(located_, nullptr);
}

TEST_F(LocateBoardTest, NoMatchingCardPrintsTheScanMessage) {
  EXPECT_EQ(Locate(ThisBoard().Vendor, ThisBoard().Device, ""), "no cards found\n");
  EXPECT_EQ(located_, nullptr);
}

TEST_F(LocateBoardTest, VendorZeroAsksForBothIdentifiers) {
  AddCard(sim::MakeBoardCard(0xABCD, 0x0042, 0xD000));
  EXPECT_EQ(Locate(0, 0, "abcd\n42\n"), "Enter VendorID: Enter DeviceID: DOVEVED PCI card found!\n");
  ASSERT_NE(located_, nullptr);
}

TEST_F(LocateBoardTest, AnUnusableVendorAnswerEndsTheDialogueSilently) {
  AddOwnBoard();
  // 100000001 is vendor 1 cut down to 32 bits: refused, not searched for.
  for (const char* answer : {"0\n", "zz\n", "\n", "", "100000001\n", "-100000001\n"}) {
    SCOPED_TRACE(answer);
    EXPECT_EQ(Locate(0, 0, answer), "Enter VendorID: ");
    EXPECT_EQ(located_, nullptr);
  }
}

TEST_F(LocateBoardTest, EndOfInputAtTheDevicePromptOpensNothing) {
  AddOwnBoard();
  EXPECT_EQ(Locate(0, 0, "136c\n"), "Enter VendorID: Enter DeviceID: ");
  EXPECT_EQ(located_, nullptr);
  EXPECT_EQ(Driver.TotalRequests(), 0u);
}

TEST_F(LocateBoardTest, AnOverlongAnswerIsCutAndDoesNotSpillIntoTheNextPrompt) {
  AddCard(sim::MakeBoardCard(0xABCD, 0x0042, 0xD000));
  const std::string overlong = "abcd" + std::string(10000, '7') + "\n";
  // The first 255 characters are a hexadecimal number far too large for 32
  // bits: refused, it ends the dialogue as vendor 0 does, and the next line
  // is not taken from the rest of the overlong one.
  EXPECT_EQ(Locate(0, 0, overlong + "42\n"), "Enter VendorID: ");
  EXPECT_EQ(located_, nullptr);
}

TEST_F(LocateBoardTest, SeveralCardsAskWhichOneToOpen) {
  AddOwnBoard();
  const int second = AddCard(sim::MakeBoardCard(static_cast<std::uint16_t>(ThisBoard().Vendor),
                                                static_cast<std::uint16_t>(ThisBoard().Device), 0xD000));
  EXPECT_EQ(Locate(ThisBoard().Vendor, ThisBoard().Device, "2\n"),
            "Found 2 matching PCI cards\nSelect card (1-2): DOVEVED PCI card found!\n");
  ASSERT_NE(located_, nullptr);
  EXPECT_EQ(located_->Slot.Slot, Bus.SlotOf(second).Slot);
  EXPECT_TRUE(Driver.IsRegistered(second));
}

TEST_F(LocateBoardTest, ChoicesOutsideTheListAreRefused) {
  AddOwnBoard();
  AddCard(sim::MakeBoardCard(static_cast<std::uint16_t>(ThisBoard().Vendor),
                             static_cast<std::uint16_t>(ThisBoard().Device), 0xD000));
  // 4294967297 and 4294967298 are 1 and 2 cut down to 32 bits: too large,
  // they choose nothing, as in the diagnostic console.
  for (const char* answer : {"0\n", "3\n", "-1\n", "x\n", "4294967297\n", " 4294967298\n", "-4294967295\n",
                             "99999999999999999999\n"}) {
    SCOPED_TRACE(answer);
    EXPECT_EQ(Locate(ThisBoard().Vendor, ThisBoard().Device, answer),
              "Found 2 matching PCI cards\nSelect card (1-2): Choice out of range\n");
    EXPECT_EQ(located_, nullptr);
  }
  EXPECT_EQ(Locate(ThisBoard().Vendor, ThisBoard().Device, ""),
            "Found 2 matching PCI cards\nSelect card (1-2): ");
  EXPECT_EQ(located_, nullptr);
}

TEST_F(LocateBoardTest, AFailedOpenPrintsItsMessage) {
  AddOwnBoard();
  Driver.LockByAnotherUser(0);
  EXPECT_EQ(Locate(ThisBoard().Vendor, ThisBoard().Device, ""),
            "error - could not lock device, already in use\n");
  EXPECT_EQ(located_, nullptr);
}

}  // namespace
}  // namespace lineio
