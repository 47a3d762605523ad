// The waveforms of the board's internal-bus interface and serial devices,
// made from register accesses as the bus analyser sees them or a trace file
// holds them (docs/trace.md, "Waveforms"):
//   bus.data, bus.address, bus.control   8-bit buses: DataReg, AddrReg,
//                                        CtrlReg as last written (DataReg
//                                        also as last read)
//   bus.read, bus.strobe, bus.enable,    the bits of the control byte
//   bus.bank
//   bus.tick                             bit 0 of StatReg as last read
//   serial.<device>_clk, _data, _load    each serial device's lines: the
//                                        clock and data of its port and its
//                                        own load (or select) bit, as
//                                        latched into the port
#pragma once

#include <array>
#include <cstdint>
#include <ostream>

#include "tools/vcd/vcd_writer.h"
#include "tracing/bus_watch.h"
#include "tracing/serial_decoder.h"

namespace lineio::vcd {

class BusWaveform {
 public:
  BusWaveform(std::ostream& out, WatchedRegisters registers);

  void SetRegisters(WatchedRegisters registers);
  // One register access at `time` (microseconds); direction 'R' or 'W'.
  void Access(std::uint64_t time, char direction, std::uint32_t offset, int width, std::uint32_t value);
  void Finish(std::uint64_t time);

 private:
  struct DeviceLines {
    int Clock;
    int Data;
    int Load;
  };
  void Latched(std::uint64_t time, const BusLatch& latch);
  void ReadByte(std::uint64_t time, std::uint32_t offset, std::uint8_t value);
  void Control(std::uint64_t time, std::uint8_t control);

  VcdWriter writer_;
  BusWatch watch_;
  int data_;
  int address_;
  int control_;
  int read_;
  int strobe_;
  int enable_;
  int bank_;
  int tick_;
  std::array<DeviceLines, DeviceCount> devices_{};
};

}  // namespace lineio::vcd
