// Waits measured in ticks of StatReg bit 0, which the user can cut short by
// holding the Escape key, and the click pulse on ClickPort bit 0.
#include "board/board.h"
#include "board/process_state.h"
#include "linetest/controls.h"
#include "linetest/serial.h"
#include "platform/platform.h"
#include "portio/ports.h"

namespace lineio {

namespace {

inline constexpr std::uint32_t ClickAllowance = 5;
inline constexpr std::uint16_t EscapeDown = 0x8000;

bool TickBitIs(bool high) {
  return ((RawReadByte(processState.Ports.Registers.StatReg) & TickBit) != 0) == high;
}

// Polls until the tick bit is `high` or the Escape key is down; gives the last
// key sample.
std::uint16_t PollTickBit(bool high) {
  for (;;) {
    const std::uint16_t escape = platform::EscapeKeySample();
    if (escape != 0 || TickBitIs(high)) return escape;
  }
}

}  // namespace

std::uint16_t TickWait(std::uint32_t& tickCount) {
  PollTickBit(true);
  const std::uint16_t status = PollTickBit(false);
  ++tickCount;
  return status;
}

std::uint16_t HdTimer(std::uint32_t ticks) {
  // With no board open no tick can come (StatReg reads 0), and a host without
  // a terminal could never end the wait: it ends at once, as an Escape would.
  if (processState.Board.CurrentBoard == nullptr) return EscapeDown;
  std::uint32_t tickCount = 0;
  std::uint16_t status = 0;
  // Kept: at least one tick is waited for, also when 0 ticks are asked for.
  do {
    status = TickWait(tickCount);
  } while (status == 0 && tickCount < ticks);
  return status;
}

void Click(std::uint32_t ticks) {
  // With no board open the pulse could never end; nothing is written.
  if (processState.Board.CurrentBoard == nullptr) return;
  const std::uint32_t length = ticks > ClickAllowance ? ticks - ClickAllowance : ticks;
  const std::uint16_t value = LogicalPortReadBack(ClickPort);
  LogicalPortWrite(ClickPort, value | ClickBit);
  HdTimer(length);
  // Kept: the high byte of ClickPort's remembered value is dropped here, as it always was.
  LogicalPortWrite(ClickPort, static_cast<std::uint16_t>(value & ~ClickBit & 0xFF));
}

}  // namespace lineio
