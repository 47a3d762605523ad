// The serial devices and the tick of the board model, fed byte by byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "sim/board_clock.h"
#include "sim/serial_devices.h"

namespace lineio::sim {
namespace {

constexpr std::uint8_t Data = 0x01;
constexpr std::uint8_t Clock = 0x02;

// Clocks the bits out as the library does: clock low, data, clock high; the
// bits of `base` stay set.
void ShiftBits(SerialPortDevices& port, std::initializer_list<int> bits, std::uint8_t base = 0) {
  for (const int bit : bits) {
    const auto data = static_cast<std::uint8_t>(base | (bit != 0 ? Data : 0));
    port.Latch(base);
    port.Latch(data);
    port.Latch(static_cast<std::uint8_t>(data | Clock));
  }
}

TEST(SerialDevicesTest, AMostSignificantFirstDeviceTakesItsLastBitsOnTheRisingLoadEdge) {
  SerialPortDevices port(LineSerialPort);
  ShiftBits(port, {1, 1, 0, 1, 0, 0, 1, 0, 1});
  EXPECT_TRUE(port.Latch(0x00).empty());
  const std::vector<DeviceLoad> loads = port.Latch(0x08);
  ASSERT_EQ(loads.size(), 1U);
  EXPECT_EQ(loads[0].Device, DeviceId::Current);
  EXPECT_EQ(loads[0].Value, 0xA5U) << "the last eight bits, the newest as bit 0";
  EXPECT_EQ(port.Record(DeviceId::Current).LastFrameBits, 9U);
  EXPECT_TRUE(port.Latch(0x08).empty()) << "a load bit that stays high loads nothing more";
  EXPECT_TRUE(port.Latch(0x00).empty()) << "nor does its fall";
  EXPECT_EQ(port.Record(DeviceId::Current).Loads, 1U);
  EXPECT_EQ(port.Record(DeviceId::Relay).Loads, 0U);
}

TEST(SerialDevicesTest, FrequencySourcesTakeTheFirstBitShiftedAsBitZero) {
  SerialPortDevices port(SignalSerialPort);
  ShiftBits(port, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 1});
  const std::vector<DeviceLoad> loads = port.Latch(Clock | 0x08);
  ASSERT_EQ(loads.size(), 1U);
  EXPECT_EQ(loads[0].Device, DeviceId::Freq2);
  EXPECT_EQ(loads[0].Value, 0xB001U);
  EXPECT_TRUE(port.Record(DeviceId::Freq2).ClockHighAtLastLoad);
}

TEST(SerialDevicesTest, TheLevelSetterTakesOnlyTheBitsShiftedWhileSelected) {
  SerialPortDevices port(SignalSerialPort);
  ShiftBits(port, {1, 1, 1});  // not selected: not part of the frame
  port.Latch(0x10);
  std::vector<int> frame(28, 0);
  frame[0] = 1;
  frame[27] = 1;
  for (const int bit : frame) ShiftBits(port, {bit}, 0x10);
  EXPECT_TRUE(port.Latch(0x10).empty());
  const std::vector<DeviceLoad> loads = port.Latch(0x00);
  ASSERT_EQ(loads.size(), 1U);
  EXPECT_EQ(loads[0].Device, DeviceId::Level);
  EXPECT_EQ(loads[0].Value, 0x8000001U);
  EXPECT_EQ(port.Record(DeviceId::Level).LastFrameBits, 28U);
  EXPECT_FALSE(port.Record(DeviceId::Level).ClockHighAtLastLoad);
}

TEST(SerialDevicesTest, ExchangeBanksTakeFortyEightBitsAndIgnoreTheHighLineBits) {
  SerialPortDevices port(LineSerialPort);
  for (int i = 0; i < 48; ++i) ShiftBits(port, {i % 3 == 0 ? 1 : 0}, 0xC0);
  const std::vector<DeviceLoad> loads = port.Latch(0xC0 | 0x20);
  ASSERT_EQ(loads.size(), 1U);
  EXPECT_EQ(loads[0].Device, DeviceId::XBank1);
  EXPECT_EQ(loads[0].Value, 0x924924924924U);
  EXPECT_EQ(port.SampledBits().size(), 48U);
}

TEST(SerialDevicesTest, AClockEdgeThatChangesTheDataLineIsAnUnstableSample) {
  SerialPortDevices port(SignalSerialPort);
  port.Latch(0x00);
  port.Latch(Data | Clock);  // data and clock rise together
  port.Latch(0x00);
  port.Latch(Data);
  port.Latch(Data | Clock);  // data stood before the edge
  port.Latch(Clock);         // data falls with the clock high: no edge
  EXPECT_EQ(port.UnstableEdges(), 1U);
  EXPECT_EQ(port.SampledBits(), (std::vector<std::uint8_t>{1, 1}));
}

TEST(SerialDevicesTest, OnlyPortsThirtySixAndThirtySevenCarryDevices) {
  SerialPortDevices other(35);
  ShiftBits(other, {1, 0, 1});
  EXPECT_TRUE(other.Latch(0xFC).empty());
  EXPECT_TRUE(SerialPortDevices(LineSerialPort).Carries(DeviceId::XBank0));
  EXPECT_FALSE(SerialPortDevices(LineSerialPort).Carries(DeviceId::Freq1));
  EXPECT_TRUE(SerialPortDevices(SignalSerialPort).Carries(DeviceId::BellDa));
}

TEST(BoardClockTest, TheTickBitTogglesEveryNReadsAndCountsItsFalls) {
  BoardClock clock;
  clock.SetTickEvery(3);
  bool level = false;
  std::vector<int> seen;
  for (int read = 0; read < 12; ++read) {
    level = clock.OnStatusRead(level);
    seen.push_back(level ? 1 : 0);
  }
  EXPECT_EQ(seen, (std::vector<int>{0, 0, 1, 1, 1, 0, 0, 0, 1, 1, 1, 0}));
  EXPECT_EQ(clock.Ticks(), 2U);
  clock.SetTickEvery(0);
  EXPECT_TRUE(clock.OnStatusRead(true)) << "a stopped tick stays where it is";
  EXPECT_EQ(clock.Ticks(), 2U);
}

TEST(BoardClockTest, TheClickOutputIsRecordedAtEachChangeOfBitZero) {
  BoardClock clock;
  clock.SetTickEvery(1);
  clock.OnClickLatched(0xFE);  // bit 0 low as at power-up: no change
  clock.OnClickLatched(0x01);
  bool level = false;
  for (int read = 0; read < 4; ++read) level = clock.OnStatusRead(level);
  clock.OnClickLatched(0x03);
  clock.OnClickLatched(0x02);
  EXPECT_EQ(clock.ClickChanges(), (std::vector<ClickChange>{{0, true}, {2, false}}));
}

}  // namespace
}  // namespace lineio::sim
