// The logical port protocol, the same for both boards over the description of
// this deliverable's board: validate and map the number, run the direct or
// group handshake, and remember what was written.
#include "portio/board_description.h"
#include "portio/bus.h"
#include "portio/delay.h"
#include "portio/handshakes.h"
#include "portio/port_access.h"
#include "portio/port_map.h"
#include "portio/ports.h"

namespace lineio {

namespace {

// The control byte of a group access: the enable bit, and the second bank
// for the ports that have it.
std::uint8_t GroupControl(const BoardDescription& board, std::uint16_t port) {
  const bool secondBank = board.FirstSecondBankPort != 0 && port >= board.FirstSecondBankPort;
  return static_cast<std::uint8_t>(EnableBit() | (secondBank ? CtrlBank : 0));
}

// The control write that opens every access on a board that makes one.
void AnnounceAccess(const BoardDescription& board, std::uint8_t control) {
  if (!board.ControlWriteBeforeCheck) return;
  WriteCtrlReg(control);
  Wait5us();
}

}  // namespace

BusPort MapLogicalPort(std::uint16_t port) { return MapPortOfGroups(port, ThisBoard().LastGroup); }

std::int32_t LogicalPortWrite(std::uint16_t port, std::uint16_t value) {
  const BoardDescription& board = ThisBoard();
  const std::uint8_t control = GroupControl(board, port);
  AnnounceAccess(board, control);
  const BusPort bus = MapLogicalPort(port);
  // Kept: a rejected port gives 1, which is also the shadow slot of port 1; hosts test for it.
  if (!bus.Valid) return 1;
  if (bus.Direct) {
    DirectPortWrite(bus.Address, value);
  } else {
    GroupPortWrite(bus.Address, value, control, board.GroupHold);
  }
  const std::uint16_t slot = ShadowSlot(port);
  processState.Ports.OutputShadow[slot] = value;
  return slot;
}

std::uint16_t LogicalPortRead(std::uint16_t port) {
  const BoardDescription& board = ThisBoard();
  const std::uint8_t control = GroupControl(board, port);
  AnnounceAccess(board, control);
  const BusPort bus = MapLogicalPort(port);
  if (!bus.Valid) return 0;
  if (bus.Direct) return DirectPortRead(bus.Address, board.DirectRead);
  return GroupPortRead(bus.Address, control, board.GroupHold);
}

std::uint16_t LogicalPortReadBack(std::uint16_t port) {
  return MapLogicalPort(port).Valid ? processState.Ports.OutputShadow[ShadowSlot(port)] : 0;
}

void ClearAllOutputs() { ClearGroupPorts(ThisBoard().LastGroup); }

}  // namespace lineio
