// Register access through the kernel driver: the transfer request of an I/O
// space and the configuration read. The direct memory path is inline, in
// register_access.h.
#include "board/register_access.h"

#include <cstring>

#include "board/board.h"
#include "board/driver_request.h"
#include "driver/transfer_commands.h"

namespace lineio {

namespace {

// One transfer request for the space's range; false when none was sent.
// Inline in both of its callers, so that TransferSpace without a trace is
// this behind one test.
[[gnu::always_inline]] inline bool SendTransfer(BoardHandle* board, std::uint32_t slot, std::uint32_t offset,
                                                std::uint32_t direction, void* data, std::uint32_t byteCount,
                                                std::uint32_t widthCode) {
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

// The transfer while a trace runs: sent, then handed to the trace with the
// bytes moved (lowest first) as its value. Out of line and cold, so that a
// transfer while none runs pays only the test in TransferSpace.
[[gnu::noinline, gnu::cold]] bool SendTracedTransfer(BoardHandle* board, std::uint32_t slot,
                                                     std::uint32_t offset, std::uint32_t direction,
                                                     void* data, std::uint32_t byteCount,
                                                     std::uint32_t widthCode) {
  if (SpaceInUse(board, slot) == 0) return false;
  const bool sent = SendTransfer(board, slot, offset, direction, data, byteCount, widthCode);
  std::uint32_t value = 0;
  std::memcpy(&value, data, byteCount < sizeof value ? byteCount : sizeof value);
  detail::CallAccessHook(direction == DirectionWrite ? 'W' : 'R', static_cast<std::uint16_t>(offset),
                         static_cast<std::uint8_t>(byteCount), value);
  return sent;
}

}  // namespace

namespace detail {
void CallAccessHook(char direction, std::uint16_t offset, std::uint8_t width, std::uint32_t value) {
  if (processState.Trace.Access != nullptr) processState.Trace.Access(direction, offset, width, value);
}
}  // namespace detail

bool detail::ReachedByTransfer(const BoardHandle* board, const AddrSpace& space, std::uint32_t offset,
                               std::uint32_t bytes) {
  const ResourceItem& item = board->Registration.Card.Items[space.ItemIndex];
  return item.Value3 == 0 && item.Value2 != 0 && std::uint64_t{offset} + bytes <= item.Value1;
}

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
  if (TraceBuilt && processState.Trace.Access != nullptr) [[unlikely]]
    return SendTracedTransfer(board, slot, offset, direction, data, byteCount, widthCode);
  return SendTransfer(board, slot, offset, direction, data, byteCount, widthCode);
}

void OpenDirectPaths(BoardHandle* board) {
  const bool traced = TraceBuilt && processState.Trace.Access != nullptr;
  for (AddrSpace& space : board->Spaces) {
    const ResourceItem& item = board->Registration.Card.Items[space.ItemIndex];
    const bool direct = space.InUse && space.IsMemory && item.Value3 != 0 && !traced;
    space.Direct = direct ? item.Value3 : 0;
    space.DirectBytes = direct ? item.Value1 : 0;
  }
}

}  // namespace lineio
