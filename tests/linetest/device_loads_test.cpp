// The serial device controls against the board model: what each device takes,
// the waveform on the serial ports, and the ports' idle values afterwards.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "lineio.h"
#include "linetest/serial.h"
#include "tests/linetest/linetest_fixture.h"

namespace lineio {
namespace {

using sim::DeviceId;
using Bits = std::vector<std::uint8_t>;

constexpr std::array AllDevices = {DeviceId::Freq1,  DeviceId::Freq2,  DeviceId::Level, DeviceId::Direct,
                                   DeviceId::SigSw,  DeviceId::BellDa, DeviceId::Relay, DeviceId::Current,
                                   DeviceId::XBank0, DeviceId::XBank1};

class DeviceLoadsTest : public testing::LineTestBoard {
 protected:
  std::array<std::uint64_t, AllDevices.size()> LoadCounts() {
    std::array<std::uint64_t, AllDevices.size()> counts{};
    for (std::size_t i = 0; i < AllDevices.size(); ++i) counts[i] = Device(AllDevices[i]).Loads;
    return counts;
  }
};

TEST_F(DeviceLoadsTest, EachControlLoadsOnlyItsDeviceWithTheHostsValueInTheDevicesWidth) {
  struct Case {
    const char* Name;
    std::function<void()> Call;
    DeviceId Device;
    std::uint64_t Value;
    std::uint64_t FrameBits;
    bool ClockHighAtLoad;
  };
  const Case cases[] = {
      {"ContFreq 1", [] { ContFreq(1, 0x1234); }, DeviceId::Freq1, 0x1234, 16, true},
      {"ContFreq 2", [] { ContFreq(2, 0xA5C3); }, DeviceId::Freq2, 0xA5C3, 16, true},
      {"ContFreq 1 all ones", [] { ContFreq(1, 0xFFFF); }, DeviceId::Freq1, 0xFFFF, 16, true},
      // 6 zeros, bits 14..8, bits 6..0, 8 zeros.
      {"ContLevel 7f7f", [] { ContLevel(0x7F7F); }, DeviceId::Level, 0x3FFF00, 28, false},
      {"ContLevel 8080", [] { ContLevel(0x8080); }, DeviceId::Level, 0, 28, false},
      {"ContLevel 1234", [] { ContLevel(0x1234); }, DeviceId::Level, (0x12ULL << 15) | (0x34ULL << 8), 28,
       false},
      {"ContDirect", [] { ContDirect(0xA5C3); }, DeviceId::Direct, 0xA5C3, 16, false},
      {"ContSigSW", [] { ContSigSW(0x1234); }, DeviceId::SigSw, 0x34, 8, false},
      {"ContBellDA all ones", [] { ContBellDA(0xFFFF); }, DeviceId::BellDa, 0x7FF, 11, false},
      {"ContBellDA", [] { ContBellDA(0xF555); }, DeviceId::BellDa, 0x555, 11, false},
      {"ContRelay", [] { ContRelay(0x8001); }, DeviceId::Relay, 0x8001, 16, false},
      {"LineCurrent", [] { LineCurrent(0x1234); }, DeviceId::Current, 0x34, 8, false},
      {"ExchgLine 0", [] { ExchgLine(0, "A5123489AB"); }, DeviceId::XBank0, 0x00A5123489ABULL, 48, false},
      {"ExchgLine 1", [] { ExchgLine(1, "0123456789"); }, DeviceId::XBank1, 0x000123456789ULL, 48, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    auto expectedCounts = LoadCounts();
    ++expectedCounts[static_cast<std::size_t>(c.Device)];
    c.Call();
    const sim::DeviceRecord& record = Device(c.Device);
    EXPECT_EQ(record.LastValue, c.Value);
    EXPECT_EQ(LoadCounts(), expectedCounts);
    EXPECT_EQ(record.LastFrameBits, c.FrameBits);
    EXPECT_EQ(record.ClockHighAtLastLoad, c.ClockHighAtLoad);
    EXPECT_EQ(OwnBoard().OutputLatch(SignalSerialPort), 0);
    EXPECT_EQ(OwnBoard().OutputLatch(LineSerialPort), 0);
    EXPECT_EQ(PortQinp(SignalSerialPort), 0);
    EXPECT_EQ(PortQinp(LineSerialPort), 0);
  }
  EXPECT_EQ(UnstableEdges(SignalSerialPort), 0U);
  EXPECT_EQ(UnstableEdges(LineSerialPort), 0U);
}

TEST_F(DeviceLoadsTest, ContFreqWithoutASourceModeClocksTheWordOutAndLoadsNothing) {
  for (const std::uint16_t mode : {std::uint16_t{0}, std::uint16_t{3}, std::uint16_t{0xFFFF}}) {
    SCOPED_TRACE(::testing::Message() << "mode " << mode);
    OwnBoard().ClearHistory();
    const auto before = LoadCounts();
    ContFreq(mode, 0x8001);
    EXPECT_EQ(LoadCounts(), before);
    const Bits expected = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};  // bit 0 first
    EXPECT_EQ(SampledBits(SignalSerialPort), expected);
    const Bits latches = LatchesOf(SignalSerialPort);
    ASSERT_EQ(latches.size(), 16U * 4 + 1);
    EXPECT_EQ(latches.back(), 0);
    for (const std::uint8_t value : latches) EXPECT_EQ(value & ~0x03, 0) << "a load bit was raised";
    EXPECT_EQ(PortQinp(SignalSerialPort), 0);
  }
}

TEST_F(DeviceLoadsTest, ContFreqWritesTheDocumentedSequenceAndLoadsWithTheClockHigh) {
  ContFreq(1, 0x0001);
  const Bits latches = LatchesOf(SignalSerialPort);
  ASSERT_EQ(latches.size(), 16U * 4 + 3);
  EXPECT_EQ(Bits(latches.begin(), latches.begin() + 8),
            (Bits{0x00, 0x00, 0x01, 0x03, 0x01, 0x00, 0x00, 0x02}));
  EXPECT_EQ(Bits(latches.end() - 3, latches.end()), (Bits{0x06, 0x04, 0x00}));
  Bits expectedBits(16, 0);
  expectedBits[0] = 1;
  EXPECT_EQ(SampledBits(SignalSerialPort), expectedBits);
  EXPECT_EQ(Device(DeviceId::Freq1).LastValue, 0x0001U);
  EXPECT_TRUE(Device(DeviceId::Freq1).ClockHighAtLastLoad);
}

TEST_F(DeviceLoadsTest, SerialShiftOutAndLoadPulseWriteTheDocumentedSequence) {
  SerialShiftOut(SignalSerialPort, 0, 0xC000, 2);
  EXPECT_EQ(LatchesOf(SignalSerialPort), (Bits{0x00, 0x00, 0x01, 0x03, 0x01, 0x00, 0x01, 0x03}));
  EXPECT_EQ(OwnBoard().OutputLatch(SignalSerialPort), 0x03)
      << "the clock stays high until the closing sequence";
  OwnBoard().ClearHistory();
  LoadPulse(SignalSerialPort, 0, 0x20);
  EXPECT_EQ(LatchesOf(SignalSerialPort), (Bits{0x20, 0x20, 0x00}));
  EXPECT_EQ(Device(DeviceId::Direct).LastValue & 0x3, 0x3U);
  EXPECT_EQ(Device(DeviceId::Direct).LastFrameBits, 2U);
  EXPECT_FALSE(Device(DeviceId::Direct).ClockHighAtLastLoad);
}

TEST_F(DeviceLoadsTest, AShortTransferSendsOnlyItsTopBitsMostSignificantFirst) {
  SerialShiftOut(SignalSerialPort, 0, 0xA5FF, 8);
  EXPECT_EQ(SampledBits(SignalSerialPort), (Bits{1, 0, 1, 0, 0, 1, 0, 1}));
  OwnBoard().ClearHistory();
  SerialShiftOut(SignalSerialPort, 0, 0xFFFF, 0);
  EXPECT_TRUE(LatchesOf(SignalSerialPort).empty());
}

TEST_F(DeviceLoadsTest, ContLevelHoldsTheSelectOverTheWholeFrame) {
  for (const std::uint16_t level : {std::uint16_t{0x7F7F}, std::uint16_t{0x8080}}) {
    SCOPED_TRACE(::testing::Message() << "level " << level);
    OwnBoard().ClearHistory();
    ContLevel(level);
    const Bits latches = LatchesOf(SignalSerialPort);
    ASSERT_EQ(latches.size(), 115U);
    EXPECT_EQ(latches.front(), 0x10);
    EXPECT_EQ(latches[113], 0x10);
    EXPECT_EQ(latches[114], 0x00);
    for (std::size_t i = 0; i + 1 < latches.size(); ++i) EXPECT_NE(latches[i] & 0x10, 0) << "write " << i;
    Bits frame(28, 0);
    if (level == 0x7F7F) std::fill(frame.begin() + 6, frame.begin() + 20, 1);
    EXPECT_EQ(SampledBits(SignalSerialPort), frame);
  }
}

TEST_F(DeviceLoadsTest, LinePortKeepsBitsSixAndSevenButNotTheBusBitsTheHostWrote) {
  struct Case {
    const char* Name;
    std::function<void()> Call;
    DeviceId Device;
    std::uint64_t Value;
  };
  const Case cases[] = {
      {"ContRelay", [] { ContRelay(0x5AA5); }, DeviceId::Relay, 0x5AA5},
      {"LineCurrent", [] { LineCurrent(0x00C3); }, DeviceId::Current, 0xC3},
      {"ExchgLine", [] { ExchgLine(2, "FFFFFFFFFF"); }, DeviceId::XBank1, 0x00FFFFFFFFFFULL},
  };
  for (const Case& c : cases) {
    for (const std::uint16_t before :
         {std::uint16_t{0x1FF}, std::uint16_t{0x43}, std::uint16_t{0x80}, std::uint16_t{0x3F}}) {
      SCOPED_TRACE(::testing::Message() << c.Name << " after PortOut(36, " << before << ")");
      PortOut(LineSerialPort, before);
      OwnBoard().ClearHistory();
      c.Call();
      const auto kept = static_cast<std::uint8_t>(before & 0xC0);
      const Bits latches = LatchesOf(LineSerialPort);
      ASSERT_FALSE(latches.empty());
      for (const std::uint8_t value : latches) EXPECT_EQ(value & 0xC0, kept);
      EXPECT_EQ(latches.front() & 0x3F, 0) << "bits 0 to 5 written by the host are not kept";
      EXPECT_EQ(latches.back(), kept);
      EXPECT_EQ(PortQinp(LineSerialPort), kept);
      EXPECT_EQ(Device(c.Device).LastValue, c.Value);
    }
  }
}

TEST_F(DeviceLoadsTest, BitOnOfTheLinePortHighBitsSurvivesARelayLoad) {
  BitOn(LineSerialPort, 7);
  ContRelay(0x0001);
  EXPECT_EQ(PortQinp(LineSerialPort), 0x80);
  EXPECT_EQ(OwnBoard().OutputLatch(LineSerialPort), 0x80);
  EXPECT_EQ(Device(DeviceId::Relay).LastValue, 0x0001U);
}

TEST_F(DeviceLoadsTest, TheSignalPortIgnoresWhatTheHostLastWroteThere) {
  PortOut(SignalSerialPort, 0x0C);  // both frequency loads high
  OwnBoard().ClearHistory();
  ContSigSW(0xFF);
  const Bits latches = LatchesOf(SignalSerialPort);
  EXPECT_EQ(latches.front(), 0x00);
  EXPECT_EQ(latches.back(), 0x00);
  EXPECT_EQ(Device(DeviceId::SigSw).LastValue, 0xFFU);
}

}  // namespace
}  // namespace lineio
