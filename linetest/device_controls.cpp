// The controls that load one device each with SerialShiftOut and a LoadPulse.
#include "linetest/controls.h"
#include "linetest/serial.h"

namespace lineio {

namespace {

// How a device takes its value: which port, how the value is aligned to bit
// 15, how many bits it takes, and its load bit.
struct SerialDevice {
  std::uint16_t Port;
  std::uint16_t Shift;
  std::uint16_t Count;
  std::uint16_t LoadBit;
};

inline constexpr SerialDevice DirectWord{SignalSerialPort, 0, 16, DirectWordLoad};
inline constexpr SerialDevice SignalSwitch{SignalSerialPort, 8, 8, SignalSwitchLoad};
inline constexpr SerialDevice BellConverter{SignalSerialPort, 5, 11, BellConverterLoad};
inline constexpr SerialDevice RelayBank{LineSerialPort, 0, 16, RelayLoad};
inline constexpr SerialDevice LineCurrentSetter{LineSerialPort, 8, 8, LineCurrentLoad};

// The signal port belongs wholly to the serial bus; the line port keeps its
// bits 6 and 7 as last written.
void Load(const SerialDevice& device, std::uint16_t value) {
  const std::uint16_t base = device.Port == LineSerialPort ? LinePortBase() : 0;
  SerialShiftOut(device.Port, base, static_cast<std::uint16_t>(value << device.Shift), device.Count);
  LoadPulse(device.Port, base, device.LoadBit);
}

}  // namespace

void ContDirect(std::uint16_t word) { Load(DirectWord, word); }
void ContSigSW(std::uint16_t value) { Load(SignalSwitch, value); }
void ContBellDA(std::uint16_t value) { Load(BellConverter, value); }
void ContRelay(std::uint16_t word) { Load(RelayBank, word); }
void LineCurrent(std::uint16_t value) { Load(LineCurrentSetter, value); }

}  // namespace lineio
