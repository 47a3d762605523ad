// The logical port protocol on the board's internal 8-bit bus: one generic
// implementation (logical_ports.cpp) over the description of this
// deliverable's board. The bit and block operations and the line test
// controls are built on these.
#pragma once

#include <cstdint>

namespace lineio {

// Where a logical port number leads on the internal bus.
struct BusPort {
  bool Valid;            // false: the number is rejected
  bool Direct;           // direct ports 0 to 15, with the slow handshake
  std::uint8_t Address;  // bus address
};

BusPort MapLogicalPort(std::uint16_t port);
// The OutputShadow slot of a valid port.
std::uint16_t ShadowSlot(std::uint16_t port);

// Writes the low byte of the value to the port and remembers all 16 bits.
// Gives 1 for a rejected port, otherwise the port's shadow slot.
std::int32_t LogicalPortWrite(std::uint16_t port, std::uint16_t value);
// The byte read from the port over the bus; 0 for a rejected port.
std::uint16_t LogicalPortRead(std::uint16_t port);
// The last value written to the port; 0 for a rejected port. No bus access.
std::uint16_t LogicalPortReadBack(std::uint16_t port);
// Writes 0 to every group port.
void ClearAllOutputs();

}  // namespace lineio
