// The Merlin board's logical port protocol, register access by register
// access: validation first, one bank, 5 us group handshakes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lineio.h"
#include "portio/ports.h"
#include "tests/support/board_fixture.h"

namespace lineio {
namespace {

using Lines = std::vector<std::string>;

class MerlinPortsTest : public testing::BoardTest {
 protected:
  void SetUp() override {
    AddOwnBoard();
    PortInitPrinting(0);
    TakeAccesses();
  }
};

TEST_F(MerlinPortsTest, GroupWritesStrobeWithTheEnableBitOnly) {
  EXPECT_EQ(PortOut(16, 0x12), 16);
  EXPECT_EQ(TakeAccesses(), (Lines{"W 0310 12", "W 0312 10", "W 0314 04", "W 0314 06", "W 0314 04",
                                   "W 0310 00", "W 0312 00"}));
  EXPECT_EQ(PortOut(64, 7), 34);
  EXPECT_EQ(TakeAccesses()[1], "W 0312 80");
  EXPECT_EQ(PortQinp(64), 7);
}

TEST_F(MerlinPortsTest, DirectWritesMatchTheKestrelHandshakeWithoutTheFirstControlByte) {
  EXPECT_EQ(PortOut(2, 0x33), 2);
  EXPECT_EQ(TakeAccesses(), (Lines{"W 0310 33", "W 0312 02", "W 0314 0c", "W 0314 0e", "W 0314 0c",
                                   "W 0314 04", "W 0310 00", "W 0312 00"}));
}

TEST_F(MerlinPortsTest, ReadsOfGroupAndDirectPorts) {
  PortIinp(37);
  Lines group = TakeAccesses();
  ASSERT_EQ(group.size(), 5u);
  group[2].resize(6);
  EXPECT_EQ(group, (Lines{"W 0312 25", "W 0314 05", "R 0310", "W 0314 04", "W 0312 00"}));
  PortIinp(2);
  Lines direct = TakeAccesses();
  ASSERT_EQ(direct.size(), 7u);
  direct[3].resize(6);
  EXPECT_EQ(direct,
            (Lines{"W 0312 02", "W 0314 0d", "W 0314 0f", "R 0310", "W 0314 0d", "W 0314 04", "W 0312 00"}));
}

TEST_F(MerlinPortsTest, RejectedPortsTouchNoRegister) {
  for (std::uint16_t port : std::vector<std::uint16_t>{22, 70, 80, 85, 133, 134, 0xFFFF}) {
    SCOPED_TRACE(port);
    EXPECT_EQ(PortOut(port, 1), 1);
    EXPECT_EQ(PortIinp(port), 0);
    EXPECT_EQ(PortQinp(port), 0);
    EXPECT_TRUE(TakeAccesses().empty());
  }
}

TEST_F(MerlinPortsTest, BlocksOfAGroupTheBoardDoesNotHaveTouchNothing) {
  uint16_t block[16];
  for (uint16_t& word : block) word = 0xAAAA;
  GetIOBlockData(0x50, block);
  EXPECT_TRUE(TakeAccesses().empty());
  for (int k = 0; k < 16; ++k) EXPECT_EQ(block[k], (k == 6 || k == 7) ? 0xAAAA : 0) << k;
}

class MerlinStartupTest : public testing::BoardTest {};

TEST_F(MerlinStartupTest, ClearsItsTwentyFourGroupPortsWithTheEnableBitOffThenOn) {
  AddOwnBoard();
  PortInitPrinting(0);
  const Lines first = TakeAccesses();
  ASSERT_EQ(first.size(), 24u * 7 + 1);
  EXPECT_EQ(
      Lines(first.begin(), first.begin() + 7),
      (Lines{"W 0310 00", "W 0312 10", "W 0314 00", "W 0314 02", "W 0314 00", "W 0310 00", "W 0312 00"}));
  EXPECT_EQ(first[23 * 7 + 1], "W 0312 85");
  PortEnd();
  PortInitPrinting(0);
  const Lines second = TakeAccesses();
  ASSERT_EQ(second.size(), 24u * 7 + 1);
  EXPECT_EQ(second[3], "W 0314 06");
}

}  // namespace
}  // namespace lineio
