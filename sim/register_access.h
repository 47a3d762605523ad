// One register access as the simulated driver saw it.
#pragma once

#include <cstdint>

namespace lineio::sim {

enum class AccessDirection : std::uint8_t { Read, Write };

struct RegisterAccess {
  AccessDirection Direction;
  std::uint8_t Width;    // bytes: 1, 2 or 4
  int Card;              // index of the card on the bus
  int Bar;               // base address register of the range
  std::uint32_t Offset;  // offset within the range
  std::uint32_t Value;   // the value written, or the value the reader got

  bool operator==(const RegisterAccess&) const = default;
};

}  // namespace lineio::sim
