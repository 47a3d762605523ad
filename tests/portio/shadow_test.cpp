// The remembered outputs and the bit and block operations built on them, the
// same on both boards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lineio.h"
#include "portio/board_description.h"
#include "portio/ports.h"
#include "tests/support/board_fixture.h"

namespace lineio {
namespace {

using Lines = std::vector<std::string>;

// Every valid port of this deliverable.
std::vector<std::uint16_t> ValidPorts() {
  std::vector<std::uint16_t> ports;
  for (std::uint32_t port = 0; port <= 0xFFFF; ++port) {
    if (MapLogicalPort(static_cast<std::uint16_t>(port)).Valid)
      ports.push_back(static_cast<std::uint16_t>(port));
  }
  return ports;
}

// The last data byte the library wrote before DataReg was cleared.
std::string LastDataWrite(const Lines& accesses) {
  for (auto it = accesses.rbegin(); it != accesses.rend(); ++it) {
    if (it->rfind("W 0310 ", 0) == 0 && *it != "W 0310 00") return *it;
  }
  return "W 0310 00";
}

class ShadowTest : public testing::BoardTest {
 protected:
  void SetUp() override {
    AddOwnBoard();
    PortInitPrinting(0);
    TakeAccesses();
  }
};

TEST_F(ShadowTest, EveryValidPortHasItsOwnSlot) {
  const std::vector<std::uint16_t> ports = ValidPorts();
  ASSERT_EQ(ports.size(), ThisBoard().ShadowEntries);
  std::vector<bool> used(ThisBoard().ShadowEntries, false);
  for (std::uint16_t port : ports) {
    const std::int32_t slot = PortOut(port, static_cast<std::uint16_t>(0x1000 + port));
    ASSERT_GE(slot, 0);
    ASSERT_LT(slot, ThisBoard().ShadowEntries);
    EXPECT_FALSE(used[static_cast<std::size_t>(slot)]) << "port " << port;
    used[static_cast<std::size_t>(slot)] = true;
  }
  for (std::uint16_t port : ports) EXPECT_EQ(PortQinp(port), 0x1000 + port) << "port " << port;
}

TEST_F(ShadowTest, TheShadowKeepsSixteenBitsWhileTheBusSeesTheLowByte) {
  PortOut(16, 0x1FF);
  EXPECT_EQ(LastDataWrite(TakeAccesses()), "W 0310 ff");
  EXPECT_EQ(PortQinp(16), 0x1FF);
}

TEST_F(ShadowTest, AllOutClearZeroesGroupSlotsAndLeavesDirectOnes) {
  for (std::uint16_t port : ValidPorts()) PortOut(port, 0x77);
  AllOutClear();
  for (std::uint16_t port : ValidPorts()) EXPECT_EQ(PortQinp(port), port <= 15 ? 0x77 : 0) << port;
}

TEST_F(ShadowTest, BitOperationsKeepTheOtherFifteenBits) {
  PortOut(16, 0x0100);
  TakeAccesses();
  EXPECT_EQ(BitOn(16, 0), 16);
  EXPECT_EQ(LastDataWrite(TakeAccesses()), "W 0310 01");
  EXPECT_EQ(PortQinp(16), 0x0101);
  EXPECT_EQ(TestQbit(16, 8), 1);
  EXPECT_EQ(TestQbit(16, 9), 0);

  struct Case {
    bool On;
    std::uint16_t Bit;
    std::uint16_t Before;
    std::uint16_t After;
  };
  const Case cases[] = {
      {true, 20, 0x8001, 0x8001},  {true, 35, 0x8001, 0x8009}, {true, 15, 0x0001, 0x8001},
      {false, 3, 0x0000, 0x0000},  {false, 0, 0xFFFF, 0xFFFE}, {false, 40, 0xFFFF, 0xFEFF},
      {false, 31, 0x1234, 0x1234}, {true, 32, 0x0000, 0x0001},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << (c.On ? "BitOn " : "BitOff ") << c.Bit);
    PortOut(33, c.Before);
    EXPECT_EQ(c.On ? BitOn(33, c.Bit) : BitOff(33, c.Bit), 23);
    EXPECT_EQ(PortQinp(33), c.After);
    EXPECT_EQ(TestQbit(33, c.Bit), (c.After & (1u << (c.Bit % 32)) & 0xFFFF) != 0 ? 1 : 0);
  }
}

TEST_F(ShadowTest, BitOperationsOnARejectedPort) {
  EXPECT_EQ(TestQbit(22, 0), 0);
  EXPECT_TRUE(TakeAccesses().empty());
  EXPECT_EQ(BitOn(22, 0), 1);
  EXPECT_EQ(BitOff(22, 0), 1);
  for (const std::string& line : TakeAccesses()) EXPECT_EQ(line.substr(0, 6), "W 0314");
}

class NoBoardShadowTest : public testing::BoardTest {};

TEST_F(NoBoardShadowTest, ValuesAreRememberedBeforePortInit) {
  AddOwnBoard();
  EXPECT_EQ(PortOut(16, 9), 16);
  EXPECT_EQ(PortQinp(16), 9);
  EXPECT_EQ(BitOn(16, 1), 16);
  EXPECT_EQ(PortQinp(16), 11);
  EXPECT_EQ(PortIinp(16), 0);
  EXPECT_EQ(Driver.TotalRequests(), 0u);
}

}  // namespace
}  // namespace lineio
