// The numbering of logical ports, which both boards share: direct ports 0 to
// 15 map to bus addresses 0x00 to 0x0F; group g, index i (port 16 g + i, i 0
// to 5) maps to a one-hot group select in the high nibble and the index in the
// low one. Groups after the fourth reuse the selects of groups 1 to 4.
#pragma once

#include <cstdint>

#include "portio/ports.h"

namespace lineio {

inline constexpr std::uint16_t LastDirectPort = 15;
inline constexpr std::uint16_t FirstGroup = 1;
inline constexpr std::uint16_t LastGroupIndex = 5;

// Maps a port of a board with groups 1 to lastGroup.
BusPort MapPortOfGroups(std::uint16_t port, std::uint16_t lastGroup);

// Writes 0 to the group ports of groups 1 to lastGroup in ascending order.
void ClearGroupPorts(std::uint16_t lastGroup);

inline std::uint16_t GroupPort(std::uint16_t group, std::uint16_t index) {
  return static_cast<std::uint16_t>(group * 16 + index);
}

}  // namespace lineio
