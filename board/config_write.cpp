// Writing one 32-bit configuration register of an open board.
#include "board/board.h"

namespace lineio {

void WriteConfigDword(BoardHandle* board, std::uint32_t offset, std::uint32_t value) {
  ConfigDwordRequest(board->Driver, board->Slot, offset, value, 0);
}

}  // namespace lineio
