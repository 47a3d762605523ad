// The interrupt service of a board opened for interrupts, and the write of a
// 32-bit configuration register.
//
// While the service runs, the driver writes the 32-bit value 0 at offset 0 of
// address space 0 at each interrupt and wakes the board's interrupt thread,
// which hands the driver's counts to the caller's handler. The handler runs on
// that thread, at the same time as whatever the caller's thread does.
#pragma once

#include <cstdint>

#include "board/board_handle.h"

namespace lineio {

// Consecutive refused waits after which the interrupt thread ends. A refused
// wait returns at once, so this many cost a few microseconds; a driver that
// refused a wait for a passing reason (a signal, a request racing the enable)
// takes the next one, while one that refuses every wait would otherwise keep
// the thread spinning. Once the thread has ended this way, InterruptEnabled
// still gives 1 and no handler is called again until DisableInterrupt (which
// still joins the thread) and a new EnableInterrupt.
inline constexpr std::uint32_t MaxRefusedWaitsInARow = 16;
// The stack that the interrupt thread asks for.
inline constexpr std::uint32_t InterruptThreadStackBytes = 4096;
// The options bit that enabling sets in the interrupt record.
inline constexpr std::uint32_t InterruptEnableOption = 2;

void WriteConfigDword(BoardHandle* board, std::uint32_t offset, std::uint32_t value);

// 1 while the service runs on a board opened for interrupts, else 0.
std::uint32_t InterruptEnabled(const BoardHandle* board);
// Starts the service with this handler: 1 when it runs, else 0 (board opened
// without interrupts, already running, address space 0 not in use, the driver
// refused, or the thread could not be started).
std::uint32_t EnableInterrupt(BoardHandle* board, InterruptHandler handler);
// The same with `command` as the register write that the driver performs at
// each interrupt in place of the board's own, for a card that is acknowledged
// elsewhere (the kernel lab's emulated device); it needs no address space 0.
std::uint32_t EnableInterruptWith(BoardHandle* board, InterruptHandler handler,
                                  const TransferCommand& command);
// Stops the service and waits until its thread has ended; nothing when it is
// not running.
void DisableInterrupt(BoardHandle* board);

// The interrupt thread; its argument is the board.
void InterruptWaitLoop(void* board);

}  // namespace lineio
