// The board's internal 8-bit bus as the library drives it: the bits of the
// control byte written to CtrlReg, the tick bit of StatReg, and the logical
// ports of the line test controls with the lines of their serial bus. The
// board models of the simulator decode the same bits.
#pragma once

#include <cstdint>

namespace lineio {

// Control byte bits written to CtrlReg.
inline constexpr std::uint8_t CtrlRead = 0x01;
inline constexpr std::uint8_t CtrlStrobe = 0x02;
// Every control byte carries it once PortInit has run.
inline constexpr std::uint8_t CtrlEnable = 0x04;
// Direct ports, and the group ports of Kestrel's second bank.
inline constexpr std::uint8_t CtrlBank = 0x08;

// Bit 0 of StatReg shows the board's periodic tick.
inline constexpr std::uint8_t TickBit = 0x01;

// The ports of the line test controls, all in group 2, which both boards have.
inline constexpr std::uint16_t ClickPort = 35;
inline constexpr std::uint16_t LineSerialPort = 36;
inline constexpr std::uint16_t SignalSerialPort = 37;

// The click output on ClickPort.
inline constexpr std::uint16_t ClickBit = 0x01;
// The serial bus on LineSerialPort and SignalSerialPort: one bit carries the
// data, one the clock; the others are load bits, one per device.
inline constexpr std::uint16_t SerialData = 0x01;
inline constexpr std::uint16_t SerialClock = 0x02;
// Bits 6 and 7 of the line port are not part of the serial bus: they keep
// what the host last wrote.
inline constexpr std::uint16_t LinePreservedBits = 0xC0;

// The load bits of the devices on SignalSerialPort. The level setter takes
// its frame when its select bit falls; the others take their word on the
// rising edge of their load bit.
inline constexpr std::uint16_t Freq1Load = 0x04;
inline constexpr std::uint16_t Freq2Load = 0x08;
inline constexpr std::uint16_t LevelSelect = 0x10;
inline constexpr std::uint16_t DirectWordLoad = 0x20;
inline constexpr std::uint16_t SignalSwitchLoad = 0x40;
inline constexpr std::uint16_t BellConverterLoad = 0x80;
// The load bits of the devices on LineSerialPort.
inline constexpr std::uint16_t RelayLoad = 0x04;
inline constexpr std::uint16_t LineCurrentLoad = 0x08;
inline constexpr std::uint16_t ExchangeBank0Load = 0x10;
inline constexpr std::uint16_t ExchangeBank1Load = 0x20;

}  // namespace lineio
