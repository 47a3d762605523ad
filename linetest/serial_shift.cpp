#include "linetest/serial.h"
#include "portio/ports.h"

namespace lineio {

namespace {
inline constexpr std::uint16_t FirstBitMask = 0x8000;
}  // namespace

void SerialShiftOut(std::uint16_t port, std::uint16_t base, std::uint16_t data, std::uint16_t count) {
  std::uint16_t mask = FirstBitMask;
  std::uint16_t value = base;
  for (std::uint16_t bit = 0; bit < count; ++bit) {
    value &= static_cast<std::uint16_t>(~SerialClock);  // clock falls
    LogicalPortWrite(port, value);
    BitPhaseWait();
    value &= static_cast<std::uint16_t>(~SerialData);  // data falls
    LogicalPortWrite(port, value);
    BitPhaseWait();
    BitHoldWait();
    if ((data & mask) != 0) value |= SerialData;  // the new bit, clock still low
    mask = static_cast<std::uint16_t>(mask >> 1);
    LogicalPortWrite(port, value);
    BitPhaseWait();
    value |= SerialClock;  // the device takes the bit on this rising edge
    LogicalPortWrite(port, value);
    BitHoldWait();
  }
}

void LoadPulse(std::uint16_t port, std::uint16_t base, std::uint16_t loadBit) {
  const std::uint16_t loading = base | loadBit;
  LogicalPortWrite(port, loading);  // clock and data fall, the load bit rises
  BitPhaseWait();
  LogicalPortWrite(port, static_cast<std::uint16_t>(loading & ~SerialClock));
  BitPhaseWait();
  LogicalPortWrite(port, base);  // the load bit falls
}

std::uint16_t LinePortBase() { return LogicalPortReadBack(LineSerialPort) & LinePreservedBits; }

}  // namespace lineio
