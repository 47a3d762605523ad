#include "portio/port_map.h"

namespace lineio {

namespace {
inline constexpr std::uint16_t GroupsPerSelect = 4;
inline constexpr std::uint8_t GroupSelect[GroupsPerSelect] = {0x10, 0x20, 0x40, 0x80};
}  // namespace

BusPort MapPortOfGroups(std::uint16_t port, std::uint16_t lastGroup) {
  if (port <= LastDirectPort) return BusPort{true, true, static_cast<std::uint8_t>(port)};
  const std::uint16_t group = port >> 4;
  const std::uint16_t index = port & 0x0F;
  if (group < FirstGroup || group > lastGroup || index > LastGroupIndex) return BusPort{false, false, 0};
  const std::uint8_t select = GroupSelect[(group - FirstGroup) % GroupsPerSelect];
  return BusPort{true, false, static_cast<std::uint8_t>(select | index)};
}

// Direct ports use slots 0 to 15; group g, index i uses slot 6 g + 10 + i.
std::uint16_t ShadowSlot(std::uint16_t port) {
  if ((port & 0xF0) == 0) return port;
  return static_cast<std::uint16_t>((port >> 4) * 6 + 10 + (port & 0x0F));
}

void ClearGroupPorts(std::uint16_t lastGroup) {
  for (std::uint16_t group = FirstGroup; group <= lastGroup; ++group) {
    for (std::uint16_t index = 0; index <= LastGroupIndex; ++index) {
      LogicalPortWrite(GroupPort(group, index), 0);
    }
  }
}

}  // namespace lineio
