// HdTimer and Click against the board's tick (bit 0 of StatReg toggling every
// n reads) and a scripted Escape key.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "lineio.h"
#include "linetest/serial.h"
#include "platform/overrides.h"
#include "tests/linetest/linetest_fixture.h"

namespace lineio {
namespace {

constexpr std::uint16_t EscapeDown = 0x8000;

class TicksTest : public testing::LineTestBoard {
 protected:
  // The Escape key reads as down from sample `from` on (1 = the first sample),
  // and up again from sample `until` on (0: never).
  void EscapeDownFrom(std::uint64_t from, std::uint64_t until = 0) {
    platform::OverrideEscapeKey([this, from, until]() -> std::uint16_t {
      ++escapeSamples_;
      const bool down = escapeSamples_ >= from && (until == 0 || escapeSamples_ < until);
      return down ? EscapeDown : 0;
    });
  }

  // The length of the one pulse on the click output, in ticks.
  std::uint64_t ClickPulseTicks() {
    const std::vector<sim::ClickChange>& changes = OwnBoard().ClickChanges();
    EXPECT_EQ(changes.size(), 2U);
    if (changes.size() != 2) return 0;
    EXPECT_TRUE(changes[0].High);
    EXPECT_FALSE(changes[1].High);
    return changes[1].Tick - changes[0].Tick;
  }

  std::uint64_t escapeSamples_ = 0;
};

TEST_F(TicksTest, HdTimerWaitsTheRequestedTicksAndAtLeastOne) {
  struct Case {
    std::uint32_t Ticks;
    bool StartHigh;
    std::uint32_t Every;
    std::uint64_t TicksSeen;
    std::uint64_t StatusReads;
  };
  // From a low bit a tick costs two toggles; a bit already high at the start
  // makes the first tick end at the very next fall.
  const Case cases[] = {
      {0, false, 2, 1, 4}, {1, false, 2, 1, 4}, {3, false, 2, 3, 12}, {1, false, 1, 1, 2},
      {1, true, 3, 1, 3},  {3, true, 3, 3, 15}, {2, true, 2, 2, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "HdTimer(" << c.Ticks << "), tick every " << c.Every
                                      << (c.StartHigh ? ", bit high at the start" : ""));
    OwnBoard().SetTickEvery(0);
    OwnBoard().SetStatus(c.StartHigh ? 0x01 : 0x00);
    OwnBoard().SetTickEvery(c.Every);
    const std::uint64_t ticksBefore = OwnBoard().Ticks();
    const std::uint64_t readsBefore = OwnBoard().StatusReads();
    EXPECT_EQ(HdTimer(c.Ticks), 0);
    EXPECT_EQ(OwnBoard().Ticks() - ticksBefore, c.TicksSeen);
    EXPECT_EQ(OwnBoard().StatusReads() - readsBefore, c.StatusReads);
    EXPECT_EQ(OwnBoard().Status() & 0x01, 0) << "a tick ends with the bit low";
  }
}

TEST_F(TicksTest, HdTimerReadsStatRegDirectlyWithoutThePortProtocol) {
  OwnBoard().SetTickEvery(1);
  HdTimer(1);
  EXPECT_EQ(TakeAccesses(), (std::vector<std::string>{"R 0316 01", "R 0316 00"}));
}

TEST_F(TicksTest, EscapeHeldFromTheStartEndsHdTimerAfterOneTickWaitWithoutReadingTheTick) {
  OwnBoard().SetTickEvery(2);
  EscapeDownFrom(1);
  EXPECT_EQ(HdTimer(5), EscapeDown);
  EXPECT_EQ(OwnBoard().StatusReads(), 0U);
  EXPECT_EQ(escapeSamples_, 2U) << "one sample in each phase of a single TickWait";
}

TEST_F(TicksTest, EscapeReleasedBetweenThePhasesLetsTheFallPhaseGoOn) {
  OwnBoard().SetTickEvery(2);
  EscapeDownFrom(1, 2);
  // The rise phase ends on the key; the fall phase finds the bit already low.
  EXPECT_EQ(HdTimer(1), 0);
  EXPECT_EQ(OwnBoard().StatusReads(), 1U);
  EXPECT_EQ(OwnBoard().Ticks(), 0U);
}

TEST_F(TicksTest, EscapeReleasedBetweenThePhasesCountsAsOneOfTheTicks) {
  OwnBoard().SetTickEvery(2);
  EscapeDownFrom(1, 2);
  EXPECT_EQ(HdTimer(3), 0);
  EXPECT_EQ(OwnBoard().Ticks(), 2U);
}

TEST_F(TicksTest, EscapePressedDuringTheWaitEndsItEarly) {
  OwnBoard().SetTickEvery(1);
  // Each tick from a low bit takes two samples and two reads.
  EscapeDownFrom(7);
  EXPECT_EQ(HdTimer(100), EscapeDown);
  EXPECT_EQ(OwnBoard().Ticks(), 3U);
}

TEST_F(TicksTest, ClickHoldsTheClickBitForItsCountLessFiveAboveFive) {
  struct Case {
    std::uint32_t Ticks;
    std::uint64_t Pulse;
  };
  const Case cases[] = {{0, 1}, {1, 1}, {2, 2}, {5, 5}, {6, 1}, {7, 2}, {10, 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "Click(" << c.Ticks << ")");
    OwnBoard().SetTickEvery(0);
    OwnBoard().SetStatus(0);
    OwnBoard().SetTickEvery(3);
    const std::size_t changesBefore = OwnBoard().ClickChanges().size();
    Click(c.Ticks);
    const std::vector<sim::ClickChange>& changes = OwnBoard().ClickChanges();
    ASSERT_EQ(changes.size(), changesBefore + 2);
    EXPECT_TRUE(changes[changesBefore].High);
    EXPECT_FALSE(changes[changesBefore + 1].High);
    EXPECT_EQ(changes[changesBefore + 1].Tick - changes[changesBefore].Tick, c.Pulse);
    EXPECT_EQ(OwnBoard().OutputLatch(ClickPort) & 0x01, 0);
  }
}

TEST_F(TicksTest, ClickKeepsTheOtherBitsAndLeavesOnlyTheLowByteRemembered) {
  PortOut(ClickPort, 0x1F6);
  OwnBoard().ClearHistory();
  OwnBoard().SetTickEvery(1);
  Click(2);
  EXPECT_EQ(LatchesOf(ClickPort), (std::vector<std::uint8_t>{0xF7, 0xF6}));
  EXPECT_EQ(PortQinp(ClickPort), 0xF6);
  EXPECT_EQ(ClickPulseTicks(), 2U);
}

TEST_F(TicksTest, ClickEndedByEscapeStillClearsTheClickBit) {
  PortOut(ClickPort, 0x80);
  OwnBoard().ClearHistory();
  OwnBoard().SetTickEvery(1);
  EscapeDownFrom(5);  // at the start of the third tick of five
  Click(5);
  EXPECT_EQ(LatchesOf(ClickPort), (std::vector<std::uint8_t>{0x81, 0x80}));
  EXPECT_EQ(PortQinp(ClickPort), 0x80);
  EXPECT_EQ(OwnBoard().Ticks(), 2U);
  EXPECT_EQ(ClickPulseTicks(), 2U);
}

class NoBoardTicksTest : public testing::BoardTest {};

TEST_F(NoBoardTicksTest, WithNoBoardOpenTheTickWaitsEndAtOnceTouchingNothing) {
  struct Case {
    const char* Name;
    void (*Arrange)(NoBoardTicksTest&);
  };
  const Case cases[] = {
      {"before PortInit", [](NoBoardTicksTest&) {}},
      {"PortInit found no board", [](NoBoardTicksTest& t) { t.PortInitPrinting(0); }},
      {"after PortEnd",
       [](NoBoardTicksTest& t) {
         t.AddOwnBoard();
         t.PortInitPrinting(0);
         PortEnd();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    c.Arrange(*this);
    int escapeSamples = 0;
    platform::OverrideEscapeKey([&escapeSamples]() -> std::uint16_t {
      ++escapeSamples;
      return 0;
    });
    TakeAccesses();
    PortOut(ClickPort, 0x40);
    const std::uint64_t requests = Driver.TotalRequests();
    EXPECT_EQ(HdTimer(3), EscapeDown);
    Click(3);
    EXPECT_EQ(PortQinp(ClickPort), 0x40);
    EXPECT_EQ(Driver.TotalRequests(), requests);
    EXPECT_EQ(escapeSamples, 0);
    PortEnd();
  }
}

}  // namespace
}  // namespace lineio
