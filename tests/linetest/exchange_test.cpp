// ExchgLine against the board model: the 48-bit frame on the line port, the
// bank that takes it, and a refused pattern that leaves everything alone.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "lineio.h"
#include "linetest/serial.h"
#include "tests/linetest/linetest_fixture.h"

namespace lineio {
namespace {

using sim::DeviceId;
using testing::BitsMsbFirst;

constexpr std::uint16_t Refused = 0xFFFF;

class ExchangeTest : public testing::LineTestBoard {};

TEST_F(ExchangeTest, PatternsBecomeThreeWordsSentBitFifteenFirst) {
  struct Case {
    const char* Pattern;
    std::uint16_t Word0;
    std::uint16_t Word1;
    std::uint16_t Word2;
  };
  const Case cases[] = {
      {"A5123489AB", 0x00A5, 0x1234, 0x89AB},  {"a5123489ab", 0x00A5, 0x1234, 0x89AB},
      {"0123456789", 0x0001, 0x2345, 0x6789},  {"fFeEdDcCbB", 0x00FF, 0xEEDD, 0xCCBB},
      {"A5123489ABZ", 0x00A5, 0x1234, 0x89AB},  // an eleventh character is not read
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Pattern);
    OwnBoard().ClearHistory();
    EXPECT_NE(ExchgLine(0, c.Pattern), Refused);
    std::vector<std::uint8_t> frame = BitsMsbFirst(c.Word0, 16);
    for (const std::uint16_t word : {c.Word1, c.Word2}) {
      const std::vector<std::uint8_t> bits = BitsMsbFirst(word, 16);
      frame.insert(frame.end(), bits.begin(), bits.end());
    }
    EXPECT_EQ(SampledBits(LineSerialPort), frame);
    const std::uint64_t value = (std::uint64_t{c.Word0} << 32) | (std::uint64_t{c.Word1} << 16) | c.Word2;
    EXPECT_EQ(Device(DeviceId::XBank0).LastValue, value);
    EXPECT_EQ(Device(DeviceId::XBank0).LastFrameBits, 48U);
  }
  EXPECT_EQ(UnstableEdges(LineSerialPort), 0U);
}

TEST_F(ExchangeTest, ModeZeroLoadsBankZeroAndEveryOtherModeBankOne) {
  struct Case {
    std::uint16_t Mode;
    DeviceId Bank;
    std::uint8_t LoadBit;
  };
  const Case cases[] = {
      {0, DeviceId::XBank0, 0x10},
      {1, DeviceId::XBank1, 0x20},
      {2, DeviceId::XBank1, 0x20},
      {0xFFFF, DeviceId::XBank1, 0x20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "mode " << c.Mode);
    const DeviceId other = c.Bank == DeviceId::XBank0 ? DeviceId::XBank1 : DeviceId::XBank0;
    const std::uint64_t loads = Device(c.Bank).Loads;
    const std::uint64_t otherLoads = Device(other).Loads;
    OwnBoard().ClearHistory();
    ExchgLine(c.Mode, "0123456789");
    EXPECT_EQ(Device(c.Bank).Loads, loads + 1);
    EXPECT_EQ(Device(other).Loads, otherLoads);
    EXPECT_EQ(Device(c.Bank).LastValue, 0x000123456789U);
    EXPECT_FALSE(Device(c.Bank).ClockHighAtLastLoad);
    const std::vector<std::uint8_t> latches = LatchesOf(LineSerialPort);
    ASSERT_EQ(latches.size(), 48U * 4 + 3);
    EXPECT_EQ(std::vector<std::uint8_t>(latches.end() - 3, latches.end()),
              (std::vector<std::uint8_t>{c.LoadBit, c.LoadBit, 0x00}));
  }
}

TEST_F(ExchangeTest, ARefusedPatternTouchesNeitherTheBoardNorTheRememberedPort) {
  const std::string valid = "A5123489AB";
  std::vector<std::string> patterns;
  // Every place, each character just outside a digit range, and a zero byte.
  for (const char bad : {'G', ' ', ':', '/', '@', '`', 'g', '\x7f', '\xff'}) {
    for (std::size_t place = 0; place < valid.size(); ++place) {
      std::string pattern = valid;
      pattern[place] = bad;
      patterns.push_back(pattern);
    }
  }
  patterns.push_back(std::string("A5123489A\0", 10));  // a nine-character text
  patterns.push_back(std::string("\0", 1) + "123456789");
  PortOut(LineSerialPort, 0x1E5);
  OwnBoard().ClearHistory();
  TakeAccesses();
  const auto bank0 = Device(DeviceId::XBank0);
  const auto bank1 = Device(DeviceId::XBank1);
  for (const std::string& pattern : patterns) {
    SCOPED_TRACE(::testing::PrintToString(pattern));
    EXPECT_EQ(ExchgLine(0, pattern.data()), Refused);
    EXPECT_EQ(ExchgLine(1, pattern.data()), Refused);
    EXPECT_TRUE(TakeAccesses().empty());
  }
  EXPECT_TRUE(OwnBoard().LatchHistory().empty());
  EXPECT_EQ(OwnBoard().OutputLatch(LineSerialPort), 0xE5);
  EXPECT_EQ(PortQinp(LineSerialPort), 0x1E5);
  EXPECT_EQ(Device(DeviceId::XBank0).Loads, bank0.Loads);
  EXPECT_EQ(Device(DeviceId::XBank1).Loads, bank1.Loads);
}

TEST_F(ExchangeTest, TheHighBitsOfTheLinePortStandInEveryWrite) {
  PortOut(LineSerialPort, 0x7F);
  OwnBoard().ClearHistory();
  ExchgLine(1, "A5123489AB");
  for (const std::uint8_t value : LatchesOf(LineSerialPort)) EXPECT_EQ(value & 0xC0, 0x40);
  EXPECT_EQ(PortQinp(LineSerialPort), 0x40);
  EXPECT_EQ(Device(DeviceId::XBank1).LastValue, 0x00A5123489ABU);
}

}  // namespace
}  // namespace lineio
