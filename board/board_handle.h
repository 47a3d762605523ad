// The record of one open board, and its allocation.
#pragma once

#include <cstdint>

#include "driver/records.h"
#include "platform/platform.h"

namespace lineio {

// Address-space slots: base address registers 0 to 5 and the expansion ROM.
inline constexpr std::uint32_t SpaceSlotCount = 7;
inline constexpr std::uint32_t ExpansionRomSlot = 6;

struct AddrSpace {
  std::uint32_t ItemIndex;  // index of the mapped item in the registration's list
  bool IsMemory;            // a memory range, else an I/O range
  bool InUse;               // an item is mapped to this slot
  // Where an access may go straight to the register: the address the driver
  // mapped the range at, and its length. 0 when every access takes the full
  // path (an I/O range, a memory range without a mapping, a trace running),
  // which gives the same result, only more slowly.
  std::uintptr_t Direct;
  std::uint32_t DirectBytes;
};

struct BoardHandle;

// Called on the interrupt thread once per completed wait.
using InterruptHandler = void (*)(BoardHandle* board, InterruptResult* result);

struct BoardHandle {
  platform::OsHandle Driver;  // the board's own driver handle
  bool WantInterrupts;        // opened for interrupt use
  // Interrupt state, reset together.
  InterruptRecord Interrupt;
  platform::OsHandle Thread;
  TransferCommand InterruptCommand;
  InterruptHandler Handler;

  PciSlot Slot;
  AddrSpace Spaces[SpaceSlotCount];
  CardRegistration Registration;
};

// Allocates a zeroed board record; nullptr when memory runs out.
BoardHandle* NewBoardHandle();
void FreeBoardHandle(BoardHandle* board);

// Allocation accounting, for tests that prove nothing leaked.
int LiveBoardHandles();
void FailNextBoardHandleAllocation();

}  // namespace lineio
