#include "sim/serial_devices.h"

namespace lineio::sim {

namespace {

struct DeviceInfo {
  const char* Name;
  int Width;
};

// By DeviceId.
constexpr std::array<DeviceInfo, DeviceCount> Devices = {{
    {"freq1", 16},
    {"freq2", 16},
    {"level", 28},
    {"direct", 16},
    {"sigsw", 8},
    {"bellda", 11},
    {"relay", 16},
    {"current", 8},
    {"xbank0", 48},
    {"xbank1", 48},
}};

constexpr std::size_t IndexOf(DeviceId device) { return static_cast<std::size_t>(device); }

constexpr bool Rises(std::uint8_t before, std::uint8_t after, std::uint8_t bit) {
  return (after & bit) != 0 && (before & bit) == 0;
}

constexpr bool Falls(std::uint8_t before, std::uint8_t after, std::uint8_t bit) {
  return (after & bit) == 0 && (before & bit) != 0;
}

constexpr std::uint64_t LowBits(std::uint64_t value, int width) {
  return width >= 64 ? value : value & ((std::uint64_t{1} << width) - 1);
}

std::uint64_t Reversed(std::uint64_t value, int width) {
  std::uint64_t reversed = 0;
  for (int bit = 0; bit < width; ++bit) reversed |= ((value >> bit) & 1U) << (width - 1 - bit);
  return reversed;
}

}  // namespace

const char* DeviceName(DeviceId device) { return Devices[IndexOf(device)].Name; }
int DeviceWidth(DeviceId device) { return Devices[IndexOf(device)].Width; }

SerialPortDevices::SerialPortDevices(std::uint16_t port) {
  if (port == SignalSerialPort) {
    attachments_ = {
        {DeviceId::Freq1, Freq1Load, Taking::LsbFirst},
        {DeviceId::Freq2, Freq2Load, Taking::LsbFirst},
        {DeviceId::Level, LevelSelect, Taking::SelectFall},
        {DeviceId::Direct, DirectWordLoad, Taking::MsbFirst},
        {DeviceId::SigSw, SignalSwitchLoad, Taking::MsbFirst},
        {DeviceId::BellDa, BellConverterLoad, Taking::MsbFirst},
    };
  } else if (port == LineSerialPort) {
    attachments_ = {
        {DeviceId::Relay, RelayLoad, Taking::MsbFirst},
        {DeviceId::Current, LineCurrentLoad, Taking::MsbFirst},
        {DeviceId::XBank0, ExchangeBank0Load, Taking::MsbFirst},
        {DeviceId::XBank1, ExchangeBank1Load, Taking::MsbFirst},
    };
  }
}

std::vector<DeviceLoad> SerialPortDevices::Latch(std::uint8_t value) {
  const std::uint8_t before = line_;
  line_ = value;
  std::vector<DeviceLoad> loads;
  if (Rises(before, value, SerialClock)) {
    if (((before ^ value) & SerialData) != 0) ++unstableEdges_;
    bool selected = false;
    for (const Attachment& attachment : attachments_) {
      if (attachment.How == Taking::SelectFall && (value & attachment.Bit) != 0) selected = true;
    }
    Shift((value & SerialData) != 0, selected);
  }
  for (const Attachment& attachment : attachments_) {
    if (attachment.How == Taking::SelectFall) {
      if (Rises(before, value, attachment.Bit)) {
        selected_ = 0;
        selectedBits_ = 0;
      } else if (Falls(before, value, attachment.Bit)) {
        Take(attachment, value, loads);
      }
    } else if (Rises(before, value, attachment.Bit)) {
      Take(attachment, value, loads);
    }
  }
  return loads;
}

void SerialPortDevices::Shift(bool data, bool selected) {
  const std::uint64_t bit = data ? 1U : 0U;
  shift_ = (shift_ << 1) | bit;
  ++bitsSinceLoad_;
  sampled_.Push(static_cast<std::uint8_t>(bit));
  if (selected) {
    selected_ = (selected_ << 1) | bit;
    ++selectedBits_;
  }
}

std::uint64_t SerialPortDevices::WordFor(const Attachment& attachment) const {
  const int width = DeviceWidth(attachment.Device);
  switch (attachment.How) {
    case Taking::LsbFirst: return Reversed(LowBits(shift_, width), width);
    case Taking::SelectFall: return LowBits(selected_, width);
    case Taking::MsbFirst: break;
  }
  return LowBits(shift_, width);
}

void SerialPortDevices::Take(const Attachment& attachment, std::uint8_t value,
                             std::vector<DeviceLoad>& loads) {
  DeviceRecord& record = records_[IndexOf(attachment.Device)];
  record.LastValue = WordFor(attachment);
  ++record.Loads;
  record.LastFrameBits = attachment.How == Taking::SelectFall ? selectedBits_ : bitsSinceLoad_;
  record.ClockHighAtLastLoad = (value & SerialClock) != 0;
  bitsSinceLoad_ = 0;
  loads.push_back(DeviceLoad{attachment.Device, record.LastValue});
}

bool SerialPortDevices::Carries(DeviceId device) const {
  for (const Attachment& attachment : attachments_) {
    if (attachment.Device == device) return true;
  }
  return false;
}

const DeviceRecord& SerialPortDevices::Record(DeviceId device) const { return records_[IndexOf(device)]; }
std::vector<std::uint8_t> SerialPortDevices::SampledBits() const { return sampled_.Entries(); }
void SerialPortDevices::SetHistoryLimit(std::size_t limit) { sampled_.SetLimit(limit); }
std::uint64_t SerialPortDevices::UnstableEdges() const { return unstableEdges_; }
void SerialPortDevices::ClearSampledBits() { sampled_.Clear(); }

}  // namespace lineio::sim
