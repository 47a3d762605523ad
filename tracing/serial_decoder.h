// The serially loaded devices behind the two serial ports of a line-test
// board, decoded from the bytes latched into the port. The simulator's board
// model takes its devices' words from this decoder, and the library's trace
// decodes its own writes with it, so that both name the same loads.
//
// On each port bit 0 is the data line and bit 1 the clock; a shift register
// takes the data bit on every rising clock edge. The other bits of the port
// select devices:
// - port 37: frequency sources 1 and 2 (load bits 0x04 and 0x08, 16 bits, the
//   first bit shifted is bit 0 of their value), the level setter (select bit
//   0x10: it takes the bits shifted while the select is high, the last 28 of
//   them, when the select falls), the direct word (0x20, 16 bits), the signal
//   switch (0x40, 8 bits) and the bell D/A converter (0x80, 11 bits);
// - port 36: the relay bank (0x04, 16 bits), the line-current setter (0x08,
//   8 bits) and exchange banks 0 and 1 (0x10 and 0x20, 48 bits); bits 6 and 7
//   lead to no device.
// Apart from the frequency sources and the level setter, a device takes the
// last bits shifted, the last one as its bit 0, on the rising edge of its load
// bit.
//
// The decoder also watches the waveform: a clock edge that rises in the same
// write that changes the data line samples a bit that was not stable, and is
// counted as a fault.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace lineio {

enum class DeviceId : std::uint8_t {
  Freq1,
  Freq2,
  Level,
  Direct,
  SigSw,
  BellDa,
  Relay,
  Current,
  XBank0,
  XBank1,
};
inline constexpr std::size_t DeviceCount = 10;

// The device's name as the bus analyser prints it: freq1 freq2 level direct
// sigsw bellda relay current xbank0 xbank1.
const char* DeviceName(DeviceId device);
// The number of bits the device takes.
int DeviceWidth(DeviceId device);
// The serial port (36 or 37) that carries the device, and its load or select bit.
std::uint16_t DevicePort(DeviceId device);
std::uint8_t DeviceLoadBit(DeviceId device);

// What a device has taken so far.
struct DeviceRecord {
  std::uint64_t LastValue = 0;  // the word of the last load (0 at power-up)
  std::uint64_t Loads = 0;      // how many loads it saw
  // Bits shifted into the port since the port's previous load (for the level
  // setter: while its select was high), counted at the last load.
  std::uint64_t LastFrameBits = 0;
  // Whether the clock line was high in the write that raised the load bit
  // (for the level setter: that dropped the select).
  bool ClockHighAtLastLoad = false;
};

// A word taken by a device, as it happens.
struct DeviceLoad {
  DeviceId Device;
  std::uint64_t Value;
};

// The most devices one port carries, and so the most loads one byte causes.
inline constexpr std::size_t MaxPortDevices = 6;

// What one latched byte did: the bit it sampled, if any, and its loads in
// bit order.
struct LatchResult {
  bool Sampled = false;
  std::uint8_t Bit = 0;
  std::size_t LoadCount = 0;
  std::array<DeviceLoad, MaxPortDevices> Loads{};
};

class SerialDecoder {
 public:
  // The devices of port 37 or port 36; any other port has none.
  explicit SerialDecoder(std::uint16_t port);

  // A byte latched into the port: shifts on a rising clock, loads on a rising
  // load bit (or a falling select).
  LatchResult Latch(std::uint8_t value);

  // Whether this port carries the device.
  bool Carries(DeviceId device) const;
  const DeviceRecord& Record(DeviceId device) const;
  // Rising clock edges in writes that also changed the data line.
  std::uint64_t UnstableEdges() const;

 private:
  // How a device takes its word: on the rising edge of its load bit, the
  // newest bit as bit 0 (most significant first) or as the top bit (least
  // significant first); or on the falling edge of its select.
  enum class Taking : std::uint8_t { MsbFirst, LsbFirst, SelectFall };
  struct Attachment {
    DeviceId Device;
    std::uint8_t Bit;
    Taking How;
  };

  void Shift(bool data, bool selected);
  std::uint64_t WordFor(const Attachment& attachment) const;
  void Take(const Attachment& attachment, std::uint8_t value, LatchResult& result);

  std::array<Attachment, MaxPortDevices> attachments_{};
  std::size_t attachmentCount_ = 0;
  std::array<DeviceRecord, DeviceCount> records_{};
  std::uint8_t line_ = 0;    // the port byte as last latched
  std::uint64_t shift_ = 0;  // every bit, the newest in bit 0
  std::uint64_t bitsSinceLoad_ = 0;
  std::uint64_t selected_ = 0;  // the bits shifted while the select was high
  std::uint64_t selectedBits_ = 0;
  std::uint64_t unstableEdges_ = 0;
};

}  // namespace lineio
