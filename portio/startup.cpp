// PortInit opens the driver link and the board, calibrates the busy waits,
// selects the register set and switches the board's enable bit on; PortEnd
// closes the board and the driver link again.
#include "portio/startup.h"

#include "board/board.h"
#include "board/open_failure.h"
#include "board/process_state.h"
#include "portio/board_description.h"
#include "portio/bus.h"
#include "portio/delay.h"
#include "portio/machine_kind.h"
#include "portio/ports.h"

namespace lineio {

namespace {

inline constexpr int DigitZero = 0x30;  // '0'
inline constexpr int TestDigitCount = 10;

void CloseCurrentBoard() {
  if (processState.Board.CurrentBoard != nullptr) {
    CloseBoard(processState.Board.CurrentBoard);
    processState.Board.CurrentBoard = nullptr;
  }
}

// Closes the driver link; gives the operating system's result, 0 when there
// was no link to close.
std::int32_t CloseDriverLink() {
  if (processState.Board.DriverLink == platform::InvalidOsHandle) return 0;
  const bool closed = platform::CloseOsHandle(processState.Board.DriverLink);
  processState.Board.DriverLink = platform::InvalidOsHandle;
  return closed ? 1 : 0;
}

// A host that unloads the library (or ends) without PortEnd would leave the
// board record allocated and the board registered to a library that is gone:
// the library gives them up itself, as PortEnd does, when it is unloaded.
struct EndAtUnload {
  EndAtUnload() = default;
  ~EndAtUnload() { PortEnd(); }
  EndAtUnload(const EndAtUnload&) = delete;
  EndAtUnload& operator=(const EndAtUnload&) = delete;
};

// Made at the first PortInit whose driver link opened, after the driver
// device came to life with that open: objects that live until the library
// is unloaded go in the reverse order of their making, so the board is given
// up while its driver device is still there.
void EndAtUnloadOnce() { static const EndAtUnload AtUnload; }

}  // namespace

std::int32_t PortInit(std::int32_t boardNumber) {
  BeginOpenAttempt();
  platform::OsHandle link = platform::InvalidOsHandle;
  if (OpenDriverLink(link) == 0) return 0;
  EndAtUnloadOnce();
  // A PortInit without PortEnd first gives up the board and link it replaces,
  // so that its own lock does not keep the board from opening again.
  CloseCurrentBoard();
  CloseDriverLink();
  processState.Board.DriverLink = link;

  processState.Board.CurrentBoard = LocateBoard(ThisBoard().Vendor, ThisBoard().Device, 0);
  processState.Ports.DelayCount = CalibrateDelay();
  processState.Ports.Registers = RegisterSetFor(boardNumber, IsPc98Family());
  // The first PortInit of the process clears the outputs with the enable bit
  // still off; later ones with it on.
  ClearAllOutputs();
  processState.Ports.EnableFlag = EnableFlagSet;
  RawWriteByte(processState.Ports.Registers.CtrlReg, CtrlEnable);
  return 1;
}

std::int32_t PortEnd() {
  CloseCurrentBoard();
  return CloseDriverLink();
}

std::int32_t CheckPCtype() { return IsPc98Family() ? Pc98Answer : 0; }

std::uint16_t Test() { return processState.Ports.EnableFlag; }

std::uint16_t Test2(std::uint8_t* buffer) {
  int counter = 1;
  for (; counter <= TestDigitCount; ++counter) {
    if (buffer != nullptr) buffer[counter - 1] = static_cast<std::uint8_t>(counter + DigitZero);
  }
  // Kept: the result is the loop counter after the loop, 11, not the 10 digits written.
  return static_cast<std::uint16_t>(counter);
}

}  // namespace lineio
