#include "sim/merlin_board.h"

namespace lineio::sim {

MerlinBoard::MerlinBoard(std::uint32_t ioBase, std::uint32_t interruptLine)
    : LineBoard(MerlinVendor, MerlinDevice, false, ioBase, interruptLine) {}

}  // namespace lineio::sim
