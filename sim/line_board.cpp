#include "sim/line_board.h"

#include <array>
#include <cstdio>
#include <stdexcept>
#include <utility>

namespace lineio::sim {

namespace {

// Class code: data acquisition controller (base class, subclass, interface).
constexpr std::uint32_t DataAcquisitionClass = 0x118000;

// Register offsets relative to DataReg.
constexpr std::uint32_t AddrRegOffset = 2;
constexpr std::uint32_t CtrlRegOffset = 4;
constexpr std::uint32_t StatRegOffset = 6;

constexpr std::uint16_t DirectPorts = 16;
constexpr std::uint16_t PortsPerGroup = 16;  // logical numbers per group
constexpr std::uint8_t GroupIndices = 6;     // valid indices 0-5
constexpr std::uint16_t GroupsPerBank = 4;
// One-hot group select in the high nibble of the bus address, per group of a bank.
constexpr std::array<std::uint8_t, GroupsPerBank> GroupSelects = {0x10, 0x20, 0x40, 0x80};
constexpr std::uint8_t SelectMask = 0xF0;
constexpr std::uint8_t IndexMask = 0x0F;
// Logical ports 0 to 133: direct ports and eight groups.
constexpr std::size_t PortTableSize = PortsPerGroup * (2 * GroupsPerBank + 1);

constexpr bool IsRising(std::uint8_t previous, std::uint8_t control, std::uint8_t bit) {
  return (control & bit) != 0 && (previous & bit) == 0;
}

// The group (0-3 within its bank) of a group select, or -1.
int GroupOfSelect(std::uint8_t select) {
  for (std::size_t group = 0; group < GroupSelects.size(); ++group) {
    if (GroupSelects[group] == select) return static_cast<int>(group);
  }
  return -1;
}

}  // namespace

void AddBoardResources(SimCard& card, std::uint32_t ioBase, std::uint32_t interruptLine) {
  card.SetClassCode(DataAcquisitionClass);
  card.AddInterrupt(interruptLine);
  card.AddIoRange(LineBoard::RegisterBar, ioBase, BoardIoLength);
  card.AddLocationItem();
}

LineBoard::LineBoard(std::uint16_t vendor, std::uint16_t device, bool secondBank, std::uint32_t ioBase,
                     std::uint32_t interruptLine)
    : SimCard(vendor, device),
      secondBank_(secondBank),
      outputs_(PortTableSize, 0),
      inputs_(PortTableSize, 0) {
  AddBoardResources(*this, ioBase, interruptLine);
}

void LineBoard::SetRegisterBase(std::uint32_t dataReg) { base_ = dataReg; }
std::uint32_t LineBoard::RegisterBase() const { return base_; }

std::optional<BusLocation> LineBoard::LocationOf(std::uint16_t port) const {
  if (port < DirectPorts) return BusLocation{BusBank::Direct, static_cast<std::uint8_t>(port)};
  const auto index = static_cast<std::uint8_t>(port % PortsPerGroup);
  const int group = port / PortsPerGroup - 1;  // 0-based over both banks
  const int banks = secondBank_ ? 2 : 1;
  if (index >= GroupIndices || group >= banks * GroupsPerBank) return std::nullopt;
  const BusBank bank = group < GroupsPerBank ? BusBank::First : BusBank::Second;
  const std::uint8_t select = GroupSelects[static_cast<std::size_t>(group % GroupsPerBank)];
  return BusLocation{bank, static_cast<std::uint8_t>(select | index)};
}

std::optional<std::uint16_t> LineBoard::PortAt(BusLocation location) const {
  if (location.Bank == BusBank::Direct) {
    if (location.Address >= DirectPorts) return std::nullopt;
    return location.Address;
  }
  if (location.Bank == BusBank::Second && !secondBank_) return std::nullopt;
  const int group = GroupOfSelect(location.Address & SelectMask);
  const auto index = static_cast<std::uint8_t>(location.Address & IndexMask);
  if (group < 0 || index >= GroupIndices) return std::nullopt;
  const int bankGroups = location.Bank == BusBank::Second ? GroupsPerBank : 0;
  return static_cast<std::uint16_t>((bankGroups + group + 1) * PortsPerGroup + index);
}

void LineBoard::SetInput(std::uint16_t port, std::uint8_t value) {
  if (!LocationOf(port)) throw std::invalid_argument("the board has no such port");
  inputs_[port] = value;
}

std::uint8_t LineBoard::OutputLatch(std::uint16_t port) const {
  if (!LocationOf(port)) throw std::invalid_argument("the board has no such port");
  return outputs_[port];
}

std::vector<LatchedOutput> LineBoard::LatchHistory() const { return latches_.Entries(); }
std::vector<std::uint16_t> LineBoard::InputsRead() const { return inputsRead_.Entries(); }

void LineBoard::ClearHistory() {
  latches_.Clear();
  inputsRead_.Clear();
  lineDevices_.ClearSampledBits();
  signalDevices_.ClearSampledBits();
}

void LineBoard::SetHistoryLimit(std::size_t limit) {
  latches_.SetLimit(limit);
  inputsRead_.SetLimit(limit);
  lineDevices_.SetHistoryLimit(limit);
  signalDevices_.SetHistoryLimit(limit);
  clock_.SetHistoryLimit(limit);
}

void LineBoard::SetStatus(std::uint8_t status) { status_ = status; }
std::uint8_t LineBoard::Status() const { return status_; }
std::uint64_t LineBoard::StatusReads() const { return statusReads_; }
std::uint8_t LineBoard::Control() const { return control_; }

void LineBoard::SetTickEvery(std::uint32_t reads) { clock_.SetTickEvery(reads); }
std::uint64_t LineBoard::Ticks() const { return clock_.Ticks(); }
std::vector<ClickChange> LineBoard::ClickChanges() const { return clock_.ClickChanges(); }

const DeviceRecord& LineBoard::Device(DeviceId device) const {
  return lineDevices_.Carries(device) ? lineDevices_.Record(device) : signalDevices_.Record(device);
}

const SerialPortDevices& LineBoard::SerialDevices(std::uint16_t port) const {
  if (port == LineSerialPort) return lineDevices_;
  if (port == SignalSerialPort) return signalDevices_;
  throw std::invalid_argument("no serial devices on that port");
}

void LineBoard::SetLoadObserver(std::function<void(const DeviceLoad&)> observer) {
  loadObserver_ = std::move(observer);
}

const std::vector<std::string>& LineBoard::ProtocolErrors() const { return errors_; }
std::uint64_t LineBoard::ProtocolErrorCount() const { return errorCount_; }

void LineBoard::ClearProtocolErrors() {
  errors_.clear();
  errorCount_ = 0;
}

void LineBoard::OnOutputLatched(std::uint16_t /*port*/, std::uint8_t /*value*/) {}
void LineBoard::OnStatusRead() {}

// Multi-byte accesses reach the registers byte by byte, lowest address first.
std::uint32_t LineBoard::IoRead(int bar, std::uint32_t offset, int width) {
  if (bar != RegisterBar) return SimCard::IoRead(bar, offset, width);
  std::uint32_t value = 0;
  for (int i = 0; i < width; ++i) {
    const std::uint32_t byte = ReadByte(offset + static_cast<std::uint32_t>(i));
    value |= byte << (8 * i);
  }
  return value;
}

void LineBoard::IoWrite(int bar, std::uint32_t offset, int width, std::uint32_t value) {
  if (bar != RegisterBar) {
    SimCard::IoWrite(bar, offset, width, value);
    return;
  }
  for (int i = 0; i < width; ++i) {
    WriteByte(offset + static_cast<std::uint32_t>(i), static_cast<std::uint8_t>(value >> (8 * i)));
  }
}

LineBoard::Register LineBoard::RegisterAt(std::uint32_t offset) const {
  if (offset < base_) return Register::None;
  switch (offset - base_) {
    case 0: return Register::Data;
    case AddrRegOffset: return Register::Addr;
    case CtrlRegOffset: return Register::Ctrl;
    case StatRegOffset: return Register::Stat;
    default: return Register::None;
  }
}

std::uint8_t LineBoard::ReadByte(std::uint32_t offset) {
  if (RegisterAt(offset) != Register::Stat) return StoredByte(offset);
  ++statusReads_;
  const bool tick = clock_.OnStatusRead((status_ & TickBit) != 0);
  status_ = static_cast<std::uint8_t>(tick ? status_ | TickBit : status_ & ~TickBit);
  OnStatusRead();
  return status_;
}

void LineBoard::WriteByte(std::uint32_t offset, std::uint8_t value) {
  StoreByte(offset, value);
  if (RegisterAt(offset) != Register::Ctrl) return;
  const std::uint8_t previous = control_;
  control_ = value;
  OnControl(previous, value);
}

std::uint8_t LineBoard::StoredByte(std::uint32_t offset) {
  return static_cast<std::uint8_t>(SimCard::IoRead(RegisterBar, offset, 1));
}

void LineBoard::StoreByte(std::uint32_t offset, std::uint8_t value) {
  SimCard::IoWrite(RegisterBar, offset, 1, value);
}

void LineBoard::OnControl(std::uint8_t previous, std::uint8_t control) {
  const bool read = (control & CtrlRead) != 0;
  const bool strobe = IsRising(previous, control, CtrlStrobe);
  if (!read && !strobe) return;
  if (strobe && !read && (previous & CtrlRead) != 0) {
    ProtocolError("strobe without the read bit in a read handshake", control);
    return;
  }
  const std::optional<BusLocation> location = Decode(control, StoredByte(base_ + AddrRegOffset));
  if (!location) {
    ProtocolError(
        read ? "read of an address that leads to no port" : "strobe at an address that leads to no port",
        control);
    return;
  }
  const std::uint16_t port = *PortAt(*location);
  if (!read) {
    LatchOutput(port);
  } else if (location->Bank != BusBank::Direct || strobe) {
    PresentInput(port);
  }
}

std::optional<BusLocation> LineBoard::Decode(std::uint8_t control, std::uint8_t address) const {
  const bool bank = (control & CtrlBank) != 0;
  if (address < DirectPorts) {
    if (!bank) return std::nullopt;
    return BusLocation{BusBank::Direct, address};
  }
  const BusLocation location{bank ? BusBank::Second : BusBank::First, address};
  if (!PortAt(location)) return std::nullopt;
  return location;
}

void LineBoard::LatchOutput(std::uint16_t port) {
  const std::uint8_t value = StoredByte(base_);
  outputs_[port] = value;
  latches_.Push(LatchedOutput{port, value});
  FeedDevices(port, value);
  OnOutputLatched(port, value);
}

void LineBoard::FeedDevices(std::uint16_t port, std::uint8_t value) {
  if (port == ClickPort) clock_.OnClickLatched(value);
  if (port != LineSerialPort && port != SignalSerialPort) return;
  SerialPortDevices& devices = port == LineSerialPort ? lineDevices_ : signalDevices_;
  for (const DeviceLoad& load : devices.Latch(value)) {
    if (loadObserver_) loadObserver_(load);
  }
}

void LineBoard::PresentInput(std::uint16_t port) {
  StoreByte(base_, inputs_[port]);
  inputsRead_.Push(port);
}

void LineBoard::ProtocolError(const char* what, std::uint8_t control) {
  if (++errorCount_ > MaxKeptProtocolErrors) return;
  char text[128];
  std::snprintf(text, sizeof text, "%s: control 0x%02x, address 0x%02x", what, control,
                StoredByte(base_ + AddrRegOffset));
  errors_.emplace_back(text);
}

}  // namespace lineio::sim
