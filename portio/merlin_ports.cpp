// The logical port protocol of the Merlin board: direct ports 0 to 15 and four
// groups of six ports, with no second bank for groups. The port number is
// checked first: a rejected port touches no register. Group handshakes are
// held 5 us per step; there is no 1 us wait.
#include "portio/delay.h"
#include "portio/direct_ports.h"
#include "portio/port_access.h"
#include "portio/port_map.h"
#include "portio/ports.h"

namespace lineio {

namespace {

inline constexpr std::uint16_t LastGroup = 4;

inline constexpr std::uint16_t ShadowEntries = 40;
// The last value written to each valid port.
std::uint16_t OutputShadow[ShadowEntries];

inline constexpr DirectReadTiming DirectRead{1, Wait5us};

void GroupPortWrite(std::uint8_t address, std::uint16_t value) {
  const std::uint8_t e = EnableBit();
  WriteDataReg(value);
  WriteAddrReg(address);
  WriteCtrlReg(e);
  Wait5us();
  WriteCtrlReg(e | CtrlStrobe);
  Wait5us();
  WriteCtrlReg(e);
  Wait5us();
  WriteDataReg(0);
  WriteAddrReg(0);
}

std::uint8_t GroupPortRead(std::uint8_t address) {
  const std::uint8_t e = EnableBit();
  WriteAddrReg(address);
  WriteCtrlReg(e | CtrlRead);
  Wait5us();
  const std::uint8_t value = ReadDataReg();
  WriteCtrlReg(e);
  WriteAddrReg(0);
  return value;
}

}  // namespace

BusPort MapLogicalPort(std::uint16_t port) { return MapPortOfGroups(port, LastGroup); }

std::int32_t LogicalPortWrite(std::uint16_t port, std::uint16_t value) {
  const BusPort bus = MapLogicalPort(port);
  if (!bus.Valid) return 1;
  if (bus.Direct) {
    DirectPortWrite(bus.Address, value);
  } else {
    GroupPortWrite(bus.Address, value);
  }
  const std::uint16_t slot = ShadowSlot(port);
  OutputShadow[slot] = value;
  return slot;
}

std::uint16_t LogicalPortRead(std::uint16_t port) {
  const BusPort bus = MapLogicalPort(port);
  if (!bus.Valid) return 0;
  return bus.Direct ? DirectPortRead(bus.Address, DirectRead) : GroupPortRead(bus.Address);
}

std::uint16_t LogicalPortReadBack(std::uint16_t port) {
  return MapLogicalPort(port).Valid ? OutputShadow[ShadowSlot(port)] : 0;
}

void ClearAllOutputs() { ClearGroupPorts(LastGroup); }

std::uint16_t* OutputShadowEntries() { return OutputShadow; }
std::uint16_t OutputShadowSize() { return ShadowEntries; }

}  // namespace lineio
