// Follows the board's internal-bus handshake from the register writes alone:
// DataReg and AddrReg as last written, the control byte, and each byte that a
// rising strobe (without the read bit) latches into an output port. The
// library's trace decodes its own writes with it; the waveform writers get
// the serial lines of ports 36 and 37 from it.
#pragma once

#include <cstdint>
#include <optional>

#include "tracing/serial_decoder.h"

namespace lineio {

struct WatchedRegisters {
  std::uint16_t DataReg;
  std::uint16_t AddrReg;
  std::uint16_t CtrlReg;
  std::uint16_t StatReg;
};

// A byte latched into an output: the bus address and whether the bank bit
// was set; Port is the serial port (36 or 37) when it is one of them, else 0.
struct BusLatch {
  std::uint8_t Address;
  bool Bank;
  std::uint8_t Value;
  std::uint16_t SerialPort;
};

class BusWatch {
 public:
  explicit BusWatch(WatchedRegisters registers);
  void SetRegisters(WatchedRegisters registers);
  const WatchedRegisters& Registers() const;

  // A register write; a wider one reaches the registers byte by byte, lowest
  // address first. Gives the latch that it made, if any (a write holds at
  // most one control byte).
  std::optional<BusLatch> Write(std::uint32_t offset, int width, std::uint32_t value);

  std::uint8_t Data() const;
  std::uint8_t Address() const;
  std::uint8_t Control() const;

 private:
  std::optional<BusLatch> WriteByte(std::uint32_t offset, std::uint8_t value);

  WatchedRegisters registers_;
  std::uint8_t data_ = 0;
  std::uint8_t address_ = 0;
  std::uint8_t control_ = 0;
};

// The serial port of a bus address reached without the bank bit: 36, 37 or 0.
std::uint16_t SerialPortAt(std::uint8_t address, bool bank);

}  // namespace lineio
