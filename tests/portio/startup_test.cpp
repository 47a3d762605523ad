// PortInit and PortEnd as the host sees them, and what the board saw.
#include <gtest/gtest.h>

#include <array>

#include "board/board.h"
#include "board/process_state.h"
#include "lineio.h"
#include "tests/support/board_fixture.h"

namespace lineio {
namespace {

using sim::AccessDirection;
using sim::RegisterAccess;
using testing::BoardTest;

class StartupTest : public BoardTest {};

TEST_F(StartupTest, WithoutTheDriverPortInitFailsAndChangesNothing) {
  AddOwnBoard();
  Driver.SetDeviceMissing(true);
  EXPECT_EQ(PortInitPrinting(1), "Cannot open WinDriver device\n");
  Driver.SetDeviceMissing(false);
  Driver.SetVersion(300);
  EXPECT_EQ(PortInitPrinting(1), "error - incorrect WinDriver version\n");

  EXPECT_EQ(::Test(0), 0);
  EXPECT_EQ(processState.Ports.DelayCount, InitialDelayCount);
  EXPECT_EQ(processState.Ports.Registers.DataReg, 0x310);
  EXPECT_EQ(processState.Board.CurrentBoard, nullptr);
  ExpectNothingHeld();
}

TEST_F(StartupTest, PortInitOpensTheBoardAndSwitchesTheEnableBitOn) {
  const int card = AddOwnBoard();
  EXPECT_EQ(PortInitPrinting(0), "DOVEVED PCI card found!\n");
  ASSERT_NE(processState.Board.CurrentBoard, nullptr);
  EXPECT_EQ(Driver.Registrations(), 1);
  EXPECT_EQ(Driver.OpenHandles(), 2);  // the driver link and the board's own handle
  EXPECT_EQ(::Test(123), 0xFFFF);
  const std::vector<RegisterAccess> trace = Driver.Trace();
  ASSERT_FALSE(trace.empty());
  EXPECT_EQ(trace.back(), (RegisterAccess{AccessDirection::Write, 1, card, 0, 0x314, 0x04}));

  EXPECT_EQ(PortEnd(), 1);
  EXPECT_EQ(processState.Board.CurrentBoard, nullptr);
  EXPECT_EQ(::Test(0), 0xFFFF) << "PortEnd leaves the enable flag set";
  ExpectNothingHeld();
  EXPECT_EQ(InpB(0x310), 0);
}

TEST_F(StartupTest, WithoutABoardPortInitCompletesAndRegistersReadZero) {
  EXPECT_EQ(PortInitPrinting(2), "no cards found\n");
  EXPECT_EQ(processState.Board.CurrentBoard, nullptr);
  EXPECT_EQ(::Test(0), 0xFFFF);
  EXPECT_EQ(processState.Ports.Registers.DataReg, 0x300);
  EXPECT_EQ(InpD(0x300), 0u);
  EXPECT_EQ(Driver.RequestCount(ReqTransfer), 0u);
  EXPECT_EQ(PortEnd(), 1);
  ExpectNothingHeld();
}

TEST_F(StartupTest, ASecondPortInitReplacesTheBoardItHeld) {
  AddOwnBoard();
  PortInitPrinting(0);
  EXPECT_EQ(PortInitPrinting(1), "DOVEVED PCI card found!\n");
  ASSERT_NE(processState.Board.CurrentBoard, nullptr);
  EXPECT_EQ(Driver.Registrations(), 1);
  EXPECT_EQ(Driver.OpenHandles(), 2);
  EXPECT_EQ(LiveBoardHandles(), 1);
  EXPECT_EQ(processState.Ports.Registers.DataReg, 0x318);
  EXPECT_EQ(PortEnd(), 1);
  ExpectNothingHeld();
}

TEST_F(StartupTest, AFailedSecondPortInitKeepsTheFirstBoard) {
  AddOwnBoard();
  PortInitPrinting(0);
  Driver.SetDeviceMissing(true);
  EXPECT_EQ(PortInitPrinting(1), "Cannot open WinDriver device\n");
  EXPECT_NE(processState.Board.CurrentBoard, nullptr);
  EXPECT_EQ(processState.Ports.Registers.DataReg, 0x310);
  Driver.SetDeviceMissing(false);
  EXPECT_EQ(PortEnd(), 1);
  ExpectNothingHeld();
}

TEST_F(StartupTest, PortEndWithoutPortInitReportsFailure) {
  EXPECT_EQ(PortEnd(), 0);
  ExpectNothingHeld();
}

TEST_F(StartupTest, TheRegisterSetFollowsBoardNumberAndMachineKind) {
  struct Case {
    std::int32_t Subtype;
    std::int32_t BoardNumber;
    std::uint16_t DataReg;
  };
  const Case cases[] = {
      {0, 0, 0x310},     {0, 1, 0x318},      {0, 2, 0x300},      {0, 3, 0x308},      {0, 5, 0x308},
      {0, -1, 0x308},    {0x0D05, 2, 0x300}, {0x0D00, 0, 0x310}, {0x0D01, 0, 0xD0},  {0x0D04, 1, 0xD8},
      {0x0D02, 2, 0xC0}, {0x0D03, 3, 0xC8},  {0x0D04, 5, 0xC8},  {0x0D04, -1, 0xC8},
  };
  const int card = AddOwnBoard();
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "subtype " << c.Subtype << " board " << c.BoardNumber);
    KeyboardSubtypeIs(c.Subtype);
    PortInitPrinting(c.BoardNumber);
    const RegisterSet expected{c.DataReg, static_cast<std::uint16_t>(c.DataReg + 2),
                               static_cast<std::uint16_t>(c.DataReg + 4),
                               static_cast<std::uint16_t>(c.DataReg + 6)};
    EXPECT_EQ(processState.Ports.Registers.DataReg, expected.DataReg);
    EXPECT_EQ(processState.Ports.Registers.AddrReg, expected.AddrReg);
    EXPECT_EQ(processState.Ports.Registers.CtrlReg, expected.CtrlReg);
    EXPECT_EQ(processState.Ports.Registers.StatReg, expected.StatReg);
    EXPECT_EQ(Driver.Trace().back(),
              (RegisterAccess{AccessDirection::Write, 1, card, 0, expected.CtrlReg, 0x04}));
    PortEnd();
  }
}

TEST_F(StartupTest, CheckPCtypeAnswersFromTheKeyboardSubtype) {
  const std::pair<std::int32_t, std::int32_t> cases[] = {
      {0, 0}, {0x0D00, 0}, {0x0D01, 0xFFFF}, {0x0D04, 0xFFFF}, {0x0D05, 0}, {-1, 0}, {4, 0},
  };
  for (const auto& [subtype, answer] : cases) {
    KeyboardSubtypeIs(subtype);
    EXPECT_EQ(CheckPCtype(), answer) << "subtype " << subtype;
  }
  EXPECT_EQ(Driver.TotalRequests(), 0u);
}

TEST_F(StartupTest, Test2WritesTenDigitsAndLeavesTheRest) {
  std::array<std::uint8_t, 12> buffer;
  buffer.fill(0xEE);
  EXPECT_EQ(Test2(buffer.data()), 11);
  const std::array<std::uint8_t, 12> expected = {'1', '2', '3', '4', '5',  '6',
                                                 '7', '8', '9', ':', 0xEE, 0xEE};
  EXPECT_EQ(buffer, expected);
  EXPECT_EQ(Test2(nullptr), 11);
}

}  // namespace
}  // namespace lineio
