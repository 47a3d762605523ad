// The PCI identifiers of the board that this deliverable drives.
#pragma once

#include <cstdint>

namespace lineio {

struct BoardIdentity {
  std::uint32_t Vendor;
  std::uint32_t Device;
  const char* Name;
};

// Defined once per deliverable, in exports/<board>_identity.cpp.
extern const BoardIdentity ThisBoard;

}  // namespace lineio
