// Register access through the kernel driver: the transfer request of an I/O
// space and the configuration read. The direct memory path is inline, in
// register_access.h.
#include "board/register_access.h"

#include "board/board.h"
#include "board/driver_request.h"
#include "driver/transfer_commands.h"

namespace lineio {

std::uint32_t SpaceInUse(const BoardHandle* board, std::uint32_t slot) {
  return slot < SpaceSlotCount && board->Spaces[slot].InUse ? 1 : 0;
}

void ConfigDwordRequest(platform::OsHandle driver, const PciSlot& slot, std::uint32_t offset,
                        std::uint32_t& value, std::uint32_t readFlag) {
  PciConfigAccess access{};
  access.Slot = slot;
  access.Buffer = &value;
  access.Offset = offset;
  access.ByteCount = sizeof value;
  access.ReadFlag = readFlag;
  SendRequest(driver, ReqPciConfig, access);
}

std::uint32_t ReadConfigDword(BoardHandle* board, std::uint32_t offset) {
  std::uint32_t value = 0;
  ConfigDwordRequest(board->Driver, board->Slot, offset, value, 1);
  return value;
}

bool TransferSpace(BoardHandle* board, std::uint32_t slot, std::uint32_t offset, std::uint32_t direction,
                   void* data, std::uint32_t byteCount, std::uint32_t widthCode) {
  if (SpaceInUse(board, slot) == 0) return false;
  const AddrSpace& space = board->Spaces[slot];
  const ResourceItem& item = board->Registration.Card.Items[space.ItemIndex];
  TransferCommand command{};
  command.Command = BlockTransferCommand(direction, widthCode, space.IsMemory);
  command.Address = (space.IsMemory ? item.Value2 : item.Value0) + offset;
  command.ByteCount = byteCount;
  command.AutoIncrement = 1;
  command.Options = 0;
  command.Data = reinterpret_cast<std::uintptr_t>(data);
  return SendRequest(board->Driver, ReqTransfer, command);
}

}  // namespace lineio
