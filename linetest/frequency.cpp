// ContFreq: the frequency sources take their word least significant bit first,
// with a clocking loop of their own, and load with the clock still high.
#include "linetest/controls.h"
#include "linetest/serial.h"
#include "portio/ports.h"

namespace lineio {

namespace {
inline constexpr int WordBits = 16;

void WriteSignalPort(std::uint16_t value) { LogicalPortWrite(SignalSerialPort, value); }
}  // namespace

void ContFreq(std::uint16_t mode, std::uint16_t word) {
  std::uint16_t value = 0;
  std::uint16_t mask = 0x0001;
  for (int bit = 0; bit < WordBits; ++bit) {
    value &= static_cast<std::uint16_t>(~SerialClock);
    WriteSignalPort(value);
    BitPhaseWait();
    WriteSignalPort(0);
    BitPhaseWait();
    value = (word & mask) != 0 ? SerialData : 0;
    mask = static_cast<std::uint16_t>(mask << 1);
    WriteSignalPort(value);
    BitPhaseWait();
    value |= SerialClock;
    WriteSignalPort(value);
    BitHoldWait();
  }
  // Kept: any other mode shifts the word out and loads neither source.
  if (mode == 1 || mode == 2) {
    value |= mode == 1 ? Freq1Load : Freq2Load;
    WriteSignalPort(value);
    BitPhaseWait();
    value &= static_cast<std::uint16_t>(~SerialClock);
    WriteSignalPort(value);
    BitPhaseWait();
  }
  WriteSignalPort(0);  // load, data and clock fall together
}

}  // namespace lineio
