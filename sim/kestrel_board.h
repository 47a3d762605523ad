// The Kestrel board: direct ports 0-15 and eight groups of six ports, groups 5
// to 8 on the second bank (the bank bit of the control byte).
#pragma once

#include "sim/line_board.h"

namespace lineio::sim {

inline constexpr std::uint16_t KestrelVendor = 0x136C;
inline constexpr std::uint16_t KestrelDevice = 0xA036;

class KestrelBoard : public LineBoard {
 public:
  explicit KestrelBoard(std::uint32_t ioBase = BoardIoBase, std::uint32_t interruptLine = BoardInterruptLine);
};

}  // namespace lineio::sim
