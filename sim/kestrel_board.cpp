#include "sim/kestrel_board.h"

namespace lineio::sim {

KestrelBoard::KestrelBoard(std::uint32_t ioBase, std::uint32_t interruptLine)
    : LineBoard(KestrelVendor, KestrelDevice, true, ioBase, interruptLine) {}

}  // namespace lineio::sim
