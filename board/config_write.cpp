// Writing one 32-bit configuration register of an open board.
#include "board/board.h"
#include "board/driver_request.h"

namespace lineio {

void WriteConfigDword(BoardHandle* board, std::uint32_t offset, std::uint32_t value) {
  PciConfigAccess access{};
  access.Slot = board->Slot;
  access.Buffer = &value;
  access.Offset = offset;
  access.ByteCount = sizeof value;
  access.ReadFlag = 0;
  SendRequest(board->Driver, ReqPciConfig, access);
}

}  // namespace lineio
