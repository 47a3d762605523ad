#include "sim/serial_devices.h"

namespace lineio::sim {

SerialPortDevices::SerialPortDevices(std::uint16_t port) : decoder_(port) {}

std::vector<DeviceLoad> SerialPortDevices::Latch(std::uint8_t value) {
  const LatchResult result = decoder_.Latch(value);
  if (result.Sampled) sampled_.Push(result.Bit);
  return {result.Loads.begin(), result.Loads.begin() + static_cast<std::ptrdiff_t>(result.LoadCount)};
}

bool SerialPortDevices::Carries(DeviceId device) const { return decoder_.Carries(device); }
const DeviceRecord& SerialPortDevices::Record(DeviceId device) const { return decoder_.Record(device); }
std::vector<std::uint8_t> SerialPortDevices::SampledBits() const { return sampled_.Entries(); }
void SerialPortDevices::SetHistoryLimit(std::size_t limit) { sampled_.SetLimit(limit); }
std::uint64_t SerialPortDevices::UnstableEdges() const { return decoder_.UnstableEdges(); }
void SerialPortDevices::ClearSampledBits() { sampled_.Clear(); }

}  // namespace lineio::sim
