// Working out which of the board's registered resources answers to which PCI
// base address register.
#include "board/board.h"

namespace lineio {

namespace {

inline constexpr std::uint32_t FirstBarOffset = 0x10;
inline constexpr std::uint32_t ExpansionRomOffset = 0x30;
inline constexpr std::uint32_t IoRegisterBit = 0x1;
inline constexpr std::uint32_t IoAddressMask = 0xFFFFFFFC;
inline constexpr std::uint32_t MemoryAddressMask = 0xFFFFFFF0;

std::uint32_t ConfigOffsetOfSlot(std::uint32_t slot) {
  return slot == ExpansionRomSlot ? ExpansionRomOffset : FirstBarOffset + 4 * slot;
}

bool RegisterMatches(std::uint32_t reg, std::uint32_t base, bool memoryItem) {
  if ((reg & IoRegisterBit) != 0) return !memoryItem && (reg & IoAddressMask) == base;
  return memoryItem && (reg & MemoryAddressMask) == base;
}

void ResetInterruptState(BoardHandle* board) {
  board->Interrupt = InterruptRecord{};
  board->Thread = platform::NoHandle;
  board->InterruptCommand = TransferCommand{};
  board->Handler = nullptr;
}

// Searches the free slots, with CurrentSpace as the search variable, for the
// register whose base is the item's. CurrentSpace is left at the slot found, or
// at SpaceSlotCount when none matched.
// Kept: the process-wide CurrentSpace is the loop variable, so the space of every raw access is the slot of
// the last range item.
void MapItemToSlot(BoardHandle* board, std::uint32_t itemIndex, bool memoryItem) {
  const std::uint32_t base = board->Registration.Card.Items[itemIndex].Value0;
  std::uint32_t& slot = processState.Board.CurrentSpace;
  for (slot = 0; slot < SpaceSlotCount; ++slot) {
    if (board->Spaces[slot].InUse) continue;
    if (RegisterMatches(ReadConfigDword(board, ConfigOffsetOfSlot(slot)), base, memoryItem)) break;
  }
  if (slot < SpaceSlotCount) {
    board->Spaces[slot] = AddrSpace{itemIndex, memoryItem, true, 0, 0};
  }
}

}  // namespace

std::uint32_t AnalyseResources(BoardHandle* board) {
  ResetInterruptState(board);
  for (AddrSpace& space : board->Spaces) space = AddrSpace{};

  const CardResources& card = board->Registration.Card;
  for (std::uint32_t i = 0; i < ItemsIn(card); ++i) {
    const ResourceItem& item = card.Items[i];
    if (item.Type == ItemInterrupt) {
      if (board->Interrupt.Handle != 0) return 0;
      board->Interrupt.Handle = static_cast<std::uint32_t>(item.Value2);
    } else if (item.Type == ItemMemory || item.Type == ItemIo) {
      MapItemToSlot(board, i, item.Type == ItemMemory);
    }
  }
  if (board->WantInterrupts && board->Interrupt.Handle == 0) return 0;
  OpenDirectPaths(board);
  for (const AddrSpace& space : board->Spaces) {
    if (space.InUse) return 1;
  }
  return 0;
}

}  // namespace lineio
