#include "tools/vcd/bus_waveform.h"

#include <string>

#include "portio/bus.h"

namespace lineio::vcd {

namespace {
constexpr char Timescale[] = "1 us";
constexpr int ByteBits = 8;
constexpr char BusScope[] = "bus";
constexpr char SerialScope[] = "serial";
}  // namespace

BusWaveform::BusWaveform(std::ostream& out, WatchedRegisters registers)
    : writer_(out, Timescale),
      watch_(registers),
      data_(writer_.Declare(BusScope, "data", ByteBits)),
      address_(writer_.Declare(BusScope, "address", ByteBits)),
      control_(writer_.Declare(BusScope, "control", ByteBits)),
      read_(writer_.Declare(BusScope, "read", 1)),
      strobe_(writer_.Declare(BusScope, "strobe", 1)),
      enable_(writer_.Declare(BusScope, "enable", 1)),
      bank_(writer_.Declare(BusScope, "bank", 1)),
      tick_(writer_.Declare(BusScope, "tick", 1)) {
  for (std::size_t index = 0; index < DeviceCount; ++index) {
    const std::string name = DeviceName(static_cast<DeviceId>(index));
    devices_[index] = {writer_.Declare(SerialScope, name + "_clk", 1),
                       writer_.Declare(SerialScope, name + "_data", 1),
                       writer_.Declare(SerialScope, name + "_load", 1)};
  }
}

void BusWaveform::SetRegisters(WatchedRegisters registers) { watch_.SetRegisters(registers); }

void BusWaveform::Access(std::uint64_t time, char direction, std::uint32_t offset, int width,
                         std::uint32_t value) {
  if (direction == 'R') {
    for (int i = 0; i < width; ++i) {
      ReadByte(time, offset + static_cast<std::uint32_t>(i),
               static_cast<std::uint8_t>(value >> (ByteBits * i)));
    }
    return;
  }
  const std::optional<BusLatch> latch = watch_.Write(offset, width, value);
  writer_.Change(time, data_, watch_.Data());
  writer_.Change(time, address_, watch_.Address());
  Control(time, watch_.Control());
  if (latch && latch->SerialPort != 0) Latched(time, *latch);
}

void BusWaveform::Finish(std::uint64_t time) { writer_.Finish(time); }

void BusWaveform::ReadByte(std::uint64_t time, std::uint32_t offset, std::uint8_t value) {
  const WatchedRegisters& registers = watch_.Registers();
  if (offset == registers.DataReg) writer_.Change(time, data_, value);
  if (offset == registers.StatReg) writer_.Change(time, tick_, value & TickBit);
}

void BusWaveform::Control(std::uint64_t time, std::uint8_t control) {
  writer_.Change(time, control_, control);
  writer_.Change(time, read_, (control & CtrlRead) != 0 ? 1 : 0);
  writer_.Change(time, strobe_, (control & CtrlStrobe) != 0 ? 1 : 0);
  writer_.Change(time, enable_, (control & CtrlEnable) != 0 ? 1 : 0);
  writer_.Change(time, bank_, (control & CtrlBank) != 0 ? 1 : 0);
}

void BusWaveform::Latched(std::uint64_t time, const BusLatch& latch) {
  for (std::size_t index = 0; index < DeviceCount; ++index) {
    const auto device = static_cast<DeviceId>(index);
    if (DevicePort(device) != latch.SerialPort) continue;
    const DeviceLines& lines = devices_[index];
    writer_.Change(time, lines.Clock, (latch.Value & SerialClock) != 0 ? 1 : 0);
    writer_.Change(time, lines.Data, (latch.Value & SerialData) != 0 ? 1 : 0);
    writer_.Change(time, lines.Load, (latch.Value & DeviceLoadBit(device)) != 0 ? 1 : 0);
  }
}

}  // namespace lineio::vcd
