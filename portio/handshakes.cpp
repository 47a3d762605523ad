#include "portio/handshakes.h"

#include "portio/bus.h"
#include "portio/delay.h"
#include "portio/port_access.h"
#include "portio/ports.h"

namespace lineio {

void DirectPortWrite(std::uint8_t address, std::uint16_t value) {
  const std::uint8_t e = EnableBit();
  WriteDataReg(value);
  WriteAddrReg(address);
  WriteCtrlReg(CtrlBank | e);
  Wait10us();
  WriteCtrlReg(CtrlBank | e | CtrlStrobe);
  Wait10us();
  WriteCtrlReg(CtrlBank | e);
  Wait10us();
  WriteCtrlReg(e);
  Wait5us();
  WriteDataReg(0);
  WriteAddrReg(0);
}

std::uint8_t DirectPortRead(std::uint8_t address, const DirectReadTiming& timing) {
  const std::uint8_t e = EnableBit();
  WriteAddrReg(address);
  WriteCtrlReg(CtrlBank | e | CtrlRead);
  Wait5us();
  WriteCtrlReg(CtrlBank | e | CtrlRead | CtrlStrobe);
  for (int pass = 0; pass < timing.StrobeHold10us; ++pass) Wait10us();
  const std::uint8_t value = ReadDataReg();
  WriteCtrlReg(CtrlBank | e | CtrlRead);
  timing.AfterRead();
  WriteCtrlReg(e);
  WriteAddrReg(0);
  return value;
}

void GroupPortWrite(std::uint8_t address, std::uint16_t value, std::uint8_t control, void (*hold)()) {
  WriteDataReg(value);
  WriteAddrReg(address);
  WriteCtrlReg(control);
  hold();
  WriteCtrlReg(control | CtrlStrobe);
  hold();
  WriteCtrlReg(control);
  hold();
  WriteDataReg(0);
  WriteAddrReg(0);
}

std::uint8_t GroupPortRead(std::uint8_t address, std::uint8_t control, void (*hold)()) {
  WriteAddrReg(address);
  WriteCtrlReg(control | CtrlRead);
  hold();
  const std::uint8_t value = ReadDataReg();
  WriteCtrlReg(control);
  WriteAddrReg(0);
  return value;
}

}  // namespace lineio
