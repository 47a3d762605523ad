// The kind of machine the library runs on, and the register set it selects.
#pragma once

#include <cstdint>

#include "board/process_state.h"

namespace lineio {

// True on a PC-98-family machine (keyboard subtype 0x0D01 to 0x0D04); decided
// afresh at every call.
bool IsPc98Family();

// The register set for a board number: 0, 1 and 2 choose their own rows, every
// other number the last row.
RegisterSet RegisterSetFor(std::int32_t boardNumber, bool pc98Family);

}  // namespace lineio
