#include "tracing/serial_decoder.h"

#include <span>

#include "portio/bus.h"

namespace lineio {

namespace {

struct DeviceInfo {
  const char* Name;
  int Width;
  std::uint16_t Port;
  std::uint16_t Bit;
};

// By DeviceId.
constexpr std::array<DeviceInfo, DeviceCount> Devices = {{
    {"freq1", 16, SignalSerialPort, Freq1Load},
    {"freq2", 16, SignalSerialPort, Freq2Load},
    {"level", 28, SignalSerialPort, LevelSelect},
    {"direct", 16, SignalSerialPort, DirectWordLoad},
    {"sigsw", 8, SignalSerialPort, SignalSwitchLoad},
    {"bellda", 11, SignalSerialPort, BellConverterLoad},
    {"relay", 16, LineSerialPort, RelayLoad},
    {"current", 8, LineSerialPort, LineCurrentLoad},
    {"xbank0", 48, LineSerialPort, ExchangeBank0Load},
    {"xbank1", 48, LineSerialPort, ExchangeBank1Load},
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
std::uint16_t DevicePort(DeviceId device) { return Devices[IndexOf(device)].Port; }
std::uint8_t DeviceLoadBit(DeviceId device) {
  return static_cast<std::uint8_t>(Devices[IndexOf(device)].Bit);
}

SerialDecoder::SerialDecoder(std::uint16_t port) {
  for (std::size_t index = 0; index < DeviceCount; ++index) {
    const auto device = static_cast<DeviceId>(index);
    if (DevicePort(device) != port) continue;
    const Taking how = device == DeviceId::Level                                ? Taking::SelectFall
                       : device == DeviceId::Freq1 || device == DeviceId::Freq2 ? Taking::LsbFirst
                                                                                : Taking::MsbFirst;
    attachments_[attachmentCount_++] = Attachment{device, DeviceLoadBit(device), how};
  }
}

LatchResult SerialDecoder::Latch(std::uint8_t value) {
  const std::uint8_t before = line_;
  line_ = value;
  LatchResult result;
  const auto attached = std::span(attachments_.data(), attachmentCount_);
  if (Rises(before, value, SerialClock)) {
    if (((before ^ value) & SerialData) != 0) ++unstableEdges_;
    bool selected = false;
    for (const Attachment& attachment : attached) {
      if (attachment.How == Taking::SelectFall && (value & attachment.Bit) != 0) selected = true;
    }
    result.Sampled = true;
    result.Bit = (value & SerialData) != 0 ? 1 : 0;
    Shift(result.Bit != 0, selected);
  }
  for (const Attachment& attachment : attached) {
    if (attachment.How == Taking::SelectFall) {
      if (Rises(before, value, attachment.Bit)) {
        selected_ = 0;
        selectedBits_ = 0;
      } else if (Falls(before, value, attachment.Bit)) {
        Take(attachment, value, result);
      }
    } else if (Rises(before, value, attachment.Bit)) {
      Take(attachment, value, result);
    }
  }
  return result;
}

bool SerialDecoder::Carries(DeviceId device) const {
  for (std::size_t i = 0; i < attachmentCount_; ++i) {
    if (attachments_[i].Device == device) return true;
  }
  return false;
}

const DeviceRecord& SerialDecoder::Record(DeviceId device) const { return records_[IndexOf(device)]; }
std::uint64_t SerialDecoder::UnstableEdges() const { return unstableEdges_; }

void SerialDecoder::Shift(bool data, bool selected) {
  const std::uint64_t bit = data ? 1U : 0U;
  shift_ = (shift_ << 1) | bit;
  ++bitsSinceLoad_;
  if (selected) {
    selected_ = (selected_ << 1) | bit;
    ++selectedBits_;
  }
}

std::uint64_t SerialDecoder::WordFor(const Attachment& attachment) const {
  const int width = DeviceWidth(attachment.Device);
  switch (attachment.How) {
    case Taking::LsbFirst: return Reversed(LowBits(shift_, width), width);
    case Taking::SelectFall: return LowBits(selected_, width);
    case Taking::MsbFirst: break;
  }
  return LowBits(shift_, width);
}

void SerialDecoder::Take(const Attachment& attachment, std::uint8_t value, LatchResult& result) {
  DeviceRecord& record = records_[IndexOf(attachment.Device)];
  record.LastValue = WordFor(attachment);
  ++record.Loads;
  record.LastFrameBits = attachment.How == Taking::SelectFall ? selectedBits_ : bitsSinceLoad_;
  record.ClockHighAtLastLoad = (value & SerialClock) != 0;
  bitsSinceLoad_ = 0;
  result.Loads[result.LoadCount++] = DeviceLoad{attachment.Device, record.LastValue};
}

}  // namespace lineio
