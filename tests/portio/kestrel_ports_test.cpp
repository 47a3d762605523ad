// The Kestrel board's logical port protocol, register access by register
// access: control bytes, data and address writes, banks, rejected ports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lineio.h"
#include "portio/ports.h"
#include "tests/support/board_fixture.h"

namespace lineio {
namespace {

using Lines = std::vector<std::string>;

class KestrelPortsTest : public testing::BoardTest {
 protected:
  void SetUp() override {
    AddOwnBoard();
    PortInitPrinting(0);
    TakeAccesses();
  }
};

TEST_F(KestrelPortsTest, GroupWritesStrobeOnTheirBank) {
  EXPECT_EQ(PortOut(16, 0x12), 16);
  EXPECT_EQ(TakeAccesses(), (Lines{"W 0314 04", "W 0310 12", "W 0312 10", "W 0314 04", "W 0314 06",
                                   "W 0314 04", "W 0310 00", "W 0312 00"}));
  EXPECT_EQ(PortOut(80, 0x12), 40);
  EXPECT_EQ(TakeAccesses(), (Lines{"W 0314 0c", "W 0310 12", "W 0312 10", "W 0314 0c", "W 0314 0e",
                                   "W 0314 0c", "W 0310 00", "W 0312 00"}));
  EXPECT_EQ(PortOut(53, 0x1FF), 33);
  EXPECT_EQ(TakeAccesses(), (Lines{"W 0314 04", "W 0310 ff", "W 0312 45", "W 0314 04", "W 0314 06",
                                   "W 0314 04", "W 0310 00", "W 0312 00"}));
  EXPECT_EQ(PortOut(133, 7), 63);
  EXPECT_EQ(TakeAccesses()[2], "W 0312 85");
}

TEST_F(KestrelPortsTest, DirectWritesUseTheSlowHandshakeOnTheSecondBank) {
  EXPECT_EQ(PortOut(3, 0x5A), 3);
  EXPECT_EQ(TakeAccesses(), (Lines{"W 0314 04", "W 0310 5a", "W 0312 03", "W 0314 0c", "W 0314 0e",
                                   "W 0314 0c", "W 0314 04", "W 0310 00", "W 0312 00"}));
}

TEST_F(KestrelPortsTest, ReadsLatchWithoutWritingData) {
  PortIinp(3);
  Lines direct = TakeAccesses();
  ASSERT_EQ(direct.size(), 8u);
  direct[4].resize(6);  // the value read depends on the board
  EXPECT_EQ(direct, (Lines{"W 0314 04", "W 0312 03", "W 0314 0d", "W 0314 0f", "R 0310", "W 0314 0d",
                           "W 0314 04", "W 0312 00"}));
  PortIinp(37);
  Lines group = TakeAccesses();
  ASSERT_EQ(group.size(), 6u);
  group[3].resize(6);
  EXPECT_EQ(group, (Lines{"W 0314 04", "W 0312 25", "W 0314 05", "R 0310", "W 0314 04", "W 0312 00"}));
  PortIinp(85);
  group = TakeAccesses();
  ASSERT_EQ(group.size(), 6u);
  group[3].resize(6);
  EXPECT_EQ(group, (Lines{"W 0314 0c", "W 0312 15", "W 0314 0d", "R 0310", "W 0314 0c", "W 0312 00"}));
}

TEST_F(KestrelPortsTest, RejectedPortsWriteOnlyTheFirstControlByte) {
  struct Case {
    std::uint16_t Port;
    const char* Control;
  };
  for (const Case& c : {Case{22, "W 0314 04"}, Case{70, "W 0314 04"}, Case{79, "W 0314 04"},
                        Case{86, "W 0314 0c"}, Case{134, "W 0314 0c"}, Case{0xFFFF, "W 0314 0c"}}) {
    SCOPED_TRACE(c.Port);
    EXPECT_EQ(PortOut(c.Port, 5), 1);
    EXPECT_EQ(TakeAccesses(), Lines{c.Control});
    EXPECT_EQ(PortIinp(c.Port), 0);
    EXPECT_EQ(TakeAccesses(), Lines{c.Control});
    EXPECT_EQ(PortQinp(c.Port), 0);
    EXPECT_TRUE(TakeAccesses().empty());
  }
}

class KestrelStartupTest : public testing::BoardTest {};

TEST_F(KestrelStartupTest, ClearsEveryGroupPortWithTheEnableBitOffThenOn) {
  testing::BoardTest& t = *this;
  t.AddOwnBoard();
  t.PortInitPrinting(0);
  Lines first = t.TakeAccesses();
  ASSERT_EQ(first.size(), 48u * 8 + 1);
  EXPECT_EQ(Lines(first.begin(), first.begin() + 8),
            (Lines{"W 0314 00", "W 0310 00", "W 0312 10", "W 0314 00", "W 0314 02", "W 0314 00", "W 0310 00",
                   "W 0312 00"}));
  EXPECT_EQ(Lines(first.begin() + 24 * 8, first.begin() + 25 * 8),
            (Lines{"W 0314 08", "W 0310 00", "W 0312 10", "W 0314 08", "W 0314 0a", "W 0314 08", "W 0310 00",
                   "W 0312 00"}));
  EXPECT_EQ(first.back(), "W 0314 04");

  PortEnd();
  t.PortInitPrinting(0);
  Lines second = t.TakeAccesses();
  ASSERT_EQ(second.size(), 48u * 8 + 1);
  EXPECT_EQ(second[0], "W 0314 04");
  EXPECT_EQ(second[4], "W 0314 06");
  EXPECT_EQ(second[24 * 8 + 4], "W 0314 0e");
}

}  // namespace
}  // namespace lineio
