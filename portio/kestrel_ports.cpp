// The logical port protocol of the Kestrel board: direct ports 0 to 15 and
// eight groups of six ports; groups 5 to 8 reuse the bus addresses of groups 1
// to 4 on the second bank. Every access starts with a control write and a
// 5 us wait, before the port number is even checked.
#include "portio/delay.h"
#include "portio/handshakes.h"
#include "portio/port_access.h"
#include "portio/port_map.h"
#include "portio/ports.h"

namespace lineio {

namespace {

inline constexpr std::uint16_t LastGroup = 8;
inline constexpr std::uint16_t FirstSecondBankPort = 80;

inline constexpr std::uint16_t ShadowEntries = 64;
// The last value written to each valid port.
std::uint16_t OutputShadow[ShadowEntries];

inline constexpr DirectReadTiming DirectRead{5, Wait10us};

// C0: the enable bit, and the second bank for ports 80 and above.
std::uint8_t GroupControl(std::uint16_t port) {
  return static_cast<std::uint8_t>(EnableBit() | (port >= FirstSecondBankPort ? CtrlBank : 0));
}

// Each step of a group handshake is held for two 1 us waits.
void HoldGroupControl() {
  Wait1us();
  Wait1us();
}

}  // namespace

BusPort MapLogicalPort(std::uint16_t port) { return MapPortOfGroups(port, LastGroup); }

std::int32_t LogicalPortWrite(std::uint16_t port, std::uint16_t value) {
  const std::uint8_t c0 = GroupControl(port);
  WriteCtrlReg(c0);
  Wait5us();
  const BusPort bus = MapLogicalPort(port);
  if (!bus.Valid) return 1;
  if (bus.Direct) {
    DirectPortWrite(bus.Address, value);
  } else {
    GroupPortWrite(bus.Address, value, c0, HoldGroupControl);
  }
  const std::uint16_t slot = ShadowSlot(port);
  OutputShadow[slot] = value;
  return slot;
}

std::uint16_t LogicalPortRead(std::uint16_t port) {
  const std::uint8_t c0 = GroupControl(port);
  WriteCtrlReg(c0);
  Wait5us();
  const BusPort bus = MapLogicalPort(port);
  if (!bus.Valid) return 0;
  return bus.Direct ? DirectPortRead(bus.Address, DirectRead)
                    : GroupPortRead(bus.Address, c0, HoldGroupControl);
}

std::uint16_t LogicalPortReadBack(std::uint16_t port) {
  return MapLogicalPort(port).Valid ? OutputShadow[ShadowSlot(port)] : 0;
}

void ClearAllOutputs() { ClearGroupPorts(LastGroup); }

std::uint16_t* OutputShadowEntries() { return OutputShadow; }
std::uint16_t OutputShadowSize() { return ShadowEntries; }

}  // namespace lineio
