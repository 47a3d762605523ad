#include "tracing/bus_watch.h"

#include "portio/bus.h"
#include "portio/port_map.h"

namespace lineio {

namespace {
constexpr std::uint16_t SerialGroup = 2;  // ports 36 and 37 lie in group 2 on both boards
constexpr int BitsPerByte = 8;
}  // namespace

std::uint16_t SerialPortAt(std::uint8_t address, bool bank) {
  if (bank) return 0;
  for (const std::uint16_t port : {LineSerialPort, SignalSerialPort}) {
    if (MapPortOfGroups(port, SerialGroup).Address == address) return port;
  }
  return 0;
}

BusWatch::BusWatch(WatchedRegisters registers) : registers_(registers) {}
void BusWatch::SetRegisters(WatchedRegisters registers) { registers_ = registers; }
const WatchedRegisters& BusWatch::Registers() const { return registers_; }
std::uint8_t BusWatch::Data() const { return data_; }
std::uint8_t BusWatch::Address() const { return address_; }
std::uint8_t BusWatch::Control() const { return control_; }

std::optional<BusLatch> BusWatch::Write(std::uint32_t offset, int width, std::uint32_t value) {
  std::optional<BusLatch> latch;
  for (int i = 0; i < width; ++i) {
    const auto byte = static_cast<std::uint8_t>(value >> (BitsPerByte * i));
    if (auto made = WriteByte(offset + static_cast<std::uint32_t>(i), byte)) latch = made;
  }
  return latch;
}

std::optional<BusLatch> BusWatch::WriteByte(std::uint32_t offset, std::uint8_t value) {
  if (offset == registers_.DataReg) data_ = value;
  if (offset == registers_.AddrReg) address_ = value;
  if (offset != registers_.CtrlReg) return std::nullopt;
  const std::uint8_t previous = control_;
  control_ = value;
  const bool rising = (value & CtrlStrobe) != 0 && (previous & CtrlStrobe) == 0;
  if (!rising || (value & CtrlRead) != 0) return std::nullopt;
  const bool bank = (value & CtrlBank) != 0;
  return BusLatch{address_, bank, data_, SerialPortAt(address_, bank)};
}

}  // namespace lineio
