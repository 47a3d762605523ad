// The interrupt service of a board opened for interrupts: the driver performs
// one register write at each interrupt and wakes the board's interrupt thread,
// which hands the driver's counts to the caller's handler.
#include "board/interrupts.h"

#include "board/board.h"
#include "board/driver_request.h"

namespace lineio {

namespace {

constexpr std::uint32_t AddressSpaceZero = 0;

// At each interrupt the driver writes the 32-bit value 0 at offset 0 of
// address space 0: through the driver's own address of a memory range, or at
// the first port of an I/O range.
TransferCommand InterruptCommandFor(const BoardHandle* board) {
  const AddrSpace& space = board->Spaces[AddressSpaceZero];
  const ResourceItem& item = board->Registration.Card.Items[space.ItemIndex];
  TransferCommand command{};
  if (space.IsMemory) {
    command.Command = MemWriteDword;
    command.Address = item.Value2;
  } else {
    command.Command = PortWriteDword;
    command.Address = item.Value0;
  }
  command.Data = 0;
  return command;
}

}  // namespace

std::uint32_t InterruptEnabled(const BoardHandle* board) {
  return board->WantInterrupts && board->Thread != platform::NoHandle ? 1 : 0;
}

std::uint32_t EnableInterrupt(BoardHandle* board, InterruptHandler handler) {
  // Without address space 0 there is no register for the driver to write at
  // each interrupt, so nothing is enabled.
  if (SpaceInUse(board, AddressSpaceZero) == 0) return 0;
  return EnableInterruptWith(board, handler, InterruptCommandFor(board));
}

std::uint32_t EnableInterruptWith(BoardHandle* board, InterruptHandler handler,
                                  const TransferCommand& command) {
  if (!board->WantInterrupts || board->Thread != platform::NoHandle) return 0;
  board->InterruptCommand = command;
  board->Interrupt.CommandCount = 1;
  board->Interrupt.Commands = &board->InterruptCommand;
  board->Interrupt.Options |= InterruptEnableOption;
  SendRequest(board->Driver, ReqEnableInterrupt, board->Interrupt);
  if (board->Interrupt.EnableOk == 0) return 0;

  board->Handler = handler;
  board->Thread = platform::StartThread(InterruptThreadStackBytes, InterruptWaitLoop, board);
  if (board->Thread == platform::NoHandle) {
    // No thread would ever wait for the interrupts: take the enable back, so
    // the service is stopped exactly as before the call.
    SendRequest(board->Driver, ReqDisableInterrupt, board->Interrupt);
    board->Handler = nullptr;
    return 0;
  }
  return 1;
}

void InterruptWaitLoop(void* argument) {
  auto* board = static_cast<BoardHandle*>(argument);
  std::uint32_t refusedInARow = 0;
  for (;;) {
    // A refused wait returns at once with stale counts: the handler is not
    // called for it, and the wait is tried again. Only a driver that refuses
    // every wait ends the thread, after MaxRefusedWaitsInARow of them, rather
    // than spinning; DisableInterrupt still finds the thread and releases it.
    if (!SendRequest(board->Driver, ReqWaitInterrupt, board->Interrupt)) {
      if (++refusedInARow == MaxRefusedWaitsInARow) return;
      continue;
    }
    refusedInARow = 0;
    if (board->Interrupt.Stopped != 0) return;
    InterruptResult result{board->Interrupt.Count, board->Interrupt.Lost, board->Interrupt.Stopped};
    if constexpr (TraceBuilt) {
      if (processState.Trace.Interrupt != nullptr) processState.Trace.Interrupt(result.Count, result.Lost);
    }
    // A service enabled without a handler only keeps the driver's counts.
    if (board->Handler != nullptr) board->Handler(board, &result);
  }
}

// The disable releases the thread's pending wait with the stopped flag set; the
// caller then waits for the thread to end and releases its handle, so that the
// record and the handler are never released while the thread runs.
void DisableInterrupt(BoardHandle* board) {
  if (!board->WantInterrupts || board->Thread == platform::NoHandle) return;
  SendRequest(board->Driver, ReqDisableInterrupt, board->Interrupt);
  platform::JoinThread(board->Thread);
  board->Thread = platform::NoHandle;
}

}  // namespace lineio
