// The serially loaded devices behind the two serial ports of a line-test
// board, as the board model holds them: the decoder that the library's trace
// shares (tracing/serial_decoder.h says how the devices take their words),
// and the history of the bits sampled, which tests read.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/history.h"
#include "tracing/serial_decoder.h"

namespace lineio::sim {

using lineio::DeviceCount;
using lineio::DeviceId;
using lineio::DeviceLoad;
using lineio::DeviceName;
using lineio::DeviceRecord;
using lineio::DeviceWidth;

// The devices of one serial port, fed with every byte latched into the port.
class SerialPortDevices {
 public:
  // The devices of port 37 or port 36; any other port has none.
  explicit SerialPortDevices(std::uint16_t port);

  // A byte latched into the port: shifts on a rising clock, loads on a rising
  // load bit. Gives the loads that this byte caused, in bit order.
  std::vector<DeviceLoad> Latch(std::uint8_t value);

  // Whether this port carries the device.
  bool Carries(DeviceId device) const;
  const DeviceRecord& Record(DeviceId device) const;

  // The bits sampled at rising clock edges, in order (0 or 1 each): the
  // newest ones up to the history limit (see History).
  std::vector<std::uint8_t> SampledBits() const;
  void SetHistoryLimit(std::size_t limit);
  // Rising clock edges in writes that also changed the data line.
  std::uint64_t UnstableEdges() const;
  void ClearSampledBits();

 private:
  SerialDecoder decoder_;
  History<std::uint8_t> sampled_;
};

}  // namespace lineio::sim
