// Register access within a board's address spaces, the hot path of every port
// operation: memory ranges directly through the address that the driver
// mapped into the process, I/O ranges through one transfer request per access.
// The raw accesses add the current board and the current space.
//
// The space and raw accesses are inline, so that an access to a mapped
// register is one load or store behind the current-board and range tests;
// everything else (I/O ranges, ranges without a mapping, every access while
// a trace runs) takes the full path, out of line.
#pragma once

#include <cstdint>

#include "board/board_handle.h"
#include "board/process_state.h"

namespace lineio {

// Width codes of TransferSpace.
inline constexpr std::uint32_t Width8 = 0;
inline constexpr std::uint32_t Width16 = 1;
inline constexpr std::uint32_t Width32 = 2;

// Directions of TransferSpace.
inline constexpr std::uint32_t DirectionWrite = 0;
inline constexpr std::uint32_t DirectionRead = 1;

std::uint32_t SpaceInUse(const BoardHandle* board, std::uint32_t slot);
// Lets accesses to the board's mapped memory ranges go straight to them, or,
// while a trace runs, sends them all the full path, where the trace sees
// them. Called when the board is opened and when a trace starts or stops.
void OpenDirectPaths(BoardHandle* board);
// One transfer request; false when none was sent (slot not in use). A trace
// that runs sees each one sent.
bool TransferSpace(BoardHandle* board, std::uint32_t slot, std::uint32_t offset, std::uint32_t direction,
                   void* data, std::uint32_t byteCount, std::uint32_t widthCode);

namespace detail {

// A mapped register. Registers may sit at any offset; the packed form lets a
// 16- or 32-bit access at an odd offset be one load or store, as the hardware
// sees it.
template <typename T>
struct __attribute__((packed, may_alias)) Mapped {
  T Value;
};

// The register of a memory range at `offset`; nullptr when the driver gave
// the range no mapping or the access would reach past its end (such an access
// reads 0 and writes nothing, like one to a slot not in use).
template <typename T>
volatile Mapped<T>* MappedRegister(const BoardHandle* board, const AddrSpace& space, std::uint32_t offset) {
  const ResourceItem& item = board->Registration.Card.Items[space.ItemIndex];
  if (item.Value3 == 0 || std::uint64_t{offset} + sizeof(T) > item.Value1) return nullptr;
  return reinterpret_cast<volatile Mapped<T>*>(item.Value3 + offset);
}

// A memory range that the driver reaches itself but could not map into the
// process (value 3 is 0, value 2 the address its transfer requests take):
// each access inside it is then one transfer request, as for an I/O range.
bool ReachedByTransfer(const BoardHandle* board, const AddrSpace& space, std::uint32_t offset,
                       std::uint32_t bytes);

template <typename T>
inline constexpr std::uint32_t WidthCodeOf = sizeof(T) == 1   ? Width8
                                             : sizeof(T) == 2 ? Width16
                                                              : Width32;

// The call of the access hook, out of line, so that a raw access keeps no
// frame or saved registers for it.
[[gnu::noinline]] void CallAccessHook(char direction, std::uint16_t offset, std::uint8_t width,
                                      std::uint32_t value);

// Hands an access on the full path to a trace that runs (trace_hooks.h):
// nothing at all in a build without the trace.
template <typename T>
[[gnu::always_inline]] inline void TraceAccess(char direction, std::uint16_t offset, T value) {
  if constexpr (TraceBuilt) {
    if (processState.Trace.Access != nullptr) [[unlikely]]
      CallAccessHook(direction, offset, sizeof(T), value);
  }
}

// The register at `offset` of a range that accesses may reach directly;
// nullptr when they must take the full path.
template <typename T>
[[gnu::always_inline]] inline volatile Mapped<T>* DirectRegister(const AddrSpace& space,
                                                                 std::uint32_t offset) {
  if (space.Direct == 0 || std::uint64_t{offset} + sizeof(T) > space.DirectBytes) [[unlikely]]
    return nullptr;
  return reinterpret_cast<volatile Mapped<T>*>(space.Direct + offset);
}

// The full path of an access: a mapped range (seen by a trace that runs), a
// memory range that the driver reaches by transfer requests, an I/O range.
// Out of line, so that the direct path stays a few instructions.
template <typename T>
[[gnu::noinline]] T ReadSpaceFully(BoardHandle* board, std::uint32_t slot, std::uint32_t offset) {
  const AddrSpace& space = board->Spaces[slot];
  T value = 0;
  if (!space.IsMemory) {
    TransferSpace(board, slot, offset, DirectionRead, &value, sizeof value, WidthCodeOf<T>);
  } else if (volatile Mapped<T>* reg = MappedRegister<T>(board, space, offset)) {
    value = reg->Value;
    TraceAccess('R', static_cast<std::uint16_t>(offset), value);
  } else if (ReachedByTransfer(board, space, offset, sizeof(T))) {
    TransferSpace(board, slot, offset, DirectionRead, &value, sizeof value, WidthCodeOf<T>);
  }
  return value;
}

template <typename T>
[[gnu::noinline]] void WriteSpaceFully(BoardHandle* board, std::uint32_t slot, std::uint32_t offset,
                                       T value) {
  const AddrSpace& space = board->Spaces[slot];
  if (!space.IsMemory) {
    TransferSpace(board, slot, offset, DirectionWrite, &value, sizeof value, WidthCodeOf<T>);
  } else if (volatile Mapped<T>* reg = MappedRegister<T>(board, space, offset)) {
    reg->Value = value;
    TraceAccess('W', static_cast<std::uint16_t>(offset), value);
  } else if (ReachedByTransfer(board, space, offset, sizeof(T))) {
    TransferSpace(board, slot, offset, DirectionWrite, &value, sizeof value, WidthCodeOf<T>);
  }
}

// A slot past the last (the analysis found no register for the last item)
// reads 0 and takes no writes. A register that accesses reach directly is one
// load or store; all else takes the full path.
template <typename T>
T ReadSpace(BoardHandle* board, std::uint32_t slot, std::uint32_t offset) {
  if (slot >= SpaceSlotCount) return 0;
  if (volatile Mapped<T>* reg = DirectRegister<T>(board->Spaces[slot], offset)) [[likely]]
    return reg->Value;
  return ReadSpaceFully<T>(board, slot, offset);
}

template <typename T>
void WriteSpace(BoardHandle* board, std::uint32_t slot, std::uint32_t offset, T value) {
  if (slot >= SpaceSlotCount) return;
  if (volatile Mapped<T>* reg = DirectRegister<T>(board->Spaces[slot], offset)) [[likely]] {
    reg->Value = value;
    return;
  }
  WriteSpaceFully<T>(board, slot, offset, value);
}

// Always inline, as in a build without the trace: a raw access is one load or
// store behind its tests wherever it is used.
template <typename T>
[[gnu::always_inline]] inline T RawRead(std::uint16_t offset) {
  BoardHandle* board = processState.Board.CurrentBoard;
  return board == nullptr ? 0 : ReadSpace<T>(board, processState.Board.CurrentSpace, offset);
}

template <typename T>
[[gnu::always_inline]] inline void RawWrite(std::uint16_t offset, T value) {
  if (BoardHandle* board = processState.Board.CurrentBoard)
    WriteSpace<T>(board, processState.Board.CurrentSpace, offset, value);
}

}  // namespace detail

inline std::uint8_t ReadSpaceByte(BoardHandle* board, std::uint32_t slot, std::uint32_t offset) {
  return detail::ReadSpace<std::uint8_t>(board, slot, offset);
}
inline std::uint16_t ReadSpaceWord(BoardHandle* board, std::uint32_t slot, std::uint32_t offset) {
  return detail::ReadSpace<std::uint16_t>(board, slot, offset);
}
inline std::uint32_t ReadSpaceDword(BoardHandle* board, std::uint32_t slot, std::uint32_t offset) {
  return detail::ReadSpace<std::uint32_t>(board, slot, offset);
}
inline void WriteSpaceByte(BoardHandle* board, std::uint32_t slot, std::uint32_t offset, std::uint8_t value) {
  detail::WriteSpace(board, slot, offset, value);
}
inline void WriteSpaceWord(BoardHandle* board, std::uint32_t slot, std::uint32_t offset,
                           std::uint16_t value) {
  detail::WriteSpace(board, slot, offset, value);
}
inline void WriteSpaceDword(BoardHandle* board, std::uint32_t slot, std::uint32_t offset,
                            std::uint32_t value) {
  detail::WriteSpace(board, slot, offset, value);
}

// At an offset in CurrentSpace of CurrentBoard; reads give 0 and writes do
// nothing when there is no current board.
inline std::uint8_t RawReadByte(std::uint16_t offset) { return detail::RawRead<std::uint8_t>(offset); }
inline std::uint16_t RawReadWord(std::uint16_t offset) { return detail::RawRead<std::uint16_t>(offset); }
inline std::uint32_t RawReadDword(std::uint16_t offset) { return detail::RawRead<std::uint32_t>(offset); }
inline void RawWriteByte(std::uint16_t offset, std::uint8_t value) { detail::RawWrite(offset, value); }
inline void RawWriteWord(std::uint16_t offset, std::uint16_t value) { detail::RawWrite(offset, value); }
inline void RawWriteDword(std::uint16_t offset, std::uint32_t value) { detail::RawWrite(offset, value); }

}  // namespace lineio
