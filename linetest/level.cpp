// ContLevel: one 28-bit frame with the level setter's select bit held high
// from before the first bit until after the last. The level argument carries
// two 7-bit codes, bits 14..8 sent first, then bits 6..0.
#include "linetest/controls.h"
#include "linetest/serial.h"
#include "portio/ports.h"

namespace lineio {

void ContLevel(std::uint16_t level) {
  LogicalPortWrite(SignalSerialPort, LevelSelect);
  SerialShiftOut(SignalSerialPort, LevelSelect, 0, 6);
  SerialShiftOut(SignalSerialPort, LevelSelect, static_cast<std::uint16_t>(level << 1), 7);
  SerialShiftOut(SignalSerialPort, LevelSelect, static_cast<std::uint16_t>(level << 9), 7);
  SerialShiftOut(SignalSerialPort, LevelSelect, 0, 8);
  LogicalPortWrite(SignalSerialPort, LevelSelect);  // clock and data fall, select stays
  BitPhaseWait();
  LogicalPortWrite(SignalSerialPort, 0);  // the select falls: the setter takes the frame
  BitPhaseWait();
}

}  // namespace lineio
