// The logical port protocol of the Merlin board: direct ports 0 to 15 and four
// groups of six ports, with no second bank for groups. The port number is
// checked first: a rejected port touches no register. Group handshakes are
// held 5 us per step; there is no 1 us wait.
#include "portio/delay.h"
#include "portio/handshakes.h"
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

}  // namespace

BusPort MapLogicalPort(std::uint16_t port) { return MapPortOfGroups(port, LastGroup); }

std::int32_t LogicalPortWrite(std::uint16_t port, std::uint16_t value) {
  const BusPort bus = MapLogicalPort(port);
  if (!bus.Valid) return 1;
  if (bus.Direct) {
    DirectPortWrite(bus.Address, value);
  } else {
    GroupPortWrite(bus.Address, value, EnableBit(), Wait5us);
  }
  const std::uint16_t slot = ShadowSlot(port);
  OutputShadow[slot] = value;
  return slot;
}

std::uint16_t LogicalPortRead(std::uint16_t port) {
  const BusPort bus = MapLogicalPort(port);
  if (!bus.Valid) return 0;
  return bus.Direct ? DirectPortRead(bus.Address, DirectRead)
                    : GroupPortRead(bus.Address, EnableBit(), Wait5us);
}

std::uint16_t LogicalPortReadBack(std::uint16_t port) {
  return MapLogicalPort(port).Valid ? OutputShadow[ShadowSlot(port)] : 0;
}

void ClearAllOutputs() { ClearGroupPorts(LastGroup); }

std::uint16_t* OutputShadowEntries() { return OutputShadow; }
std::uint16_t OutputShadowSize() { return ShadowEntries; }

}  // namespace lineio
