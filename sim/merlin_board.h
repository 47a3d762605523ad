// The Merlin board: direct ports 0-15 and four groups of six ports. It has no
// second bank: the bank bit belongs to the direct handshake alone.
#pragma once

#include "sim/line_board.h"

namespace lineio::sim {

inline constexpr std::uint16_t MerlinVendor = 0x1172;
inline constexpr std::uint16_t MerlinDevice = 0x1998;

class MerlinBoard : public LineBoard {
 public:
  explicit MerlinBoard(std::uint32_t ioBase = BoardIoBase, std::uint32_t interruptLine = BoardInterruptLine);
};

}  // namespace lineio::sim
