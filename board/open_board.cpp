// Opening a board (find, describe, register and lock, map its resources) and
// closing it again.
#include "board/board.h"
#include "board/driver_request.h"

namespace lineio {

namespace {

inline constexpr char MsgCannotAllocate[] = "error - cannot allocate board record\n";

bool IsOpenHandle(platform::OsHandle handle) {
  return handle != platform::InvalidOsHandle && handle != platform::NoHandle;
}

// A board opened for interrupts registers its interrupt shared and keeps the
// driver's exclusive flags on every other item. A board opened without them
// registers no interrupt and shares every other item.
void AdjustItemsForRegistration(CardResources& card, bool wantInterrupts) {
  for (std::uint32_t i = 0; i < ItemsIn(card); ++i) {
    ResourceItem& item = card.Items[i];
    const bool interrupt = item.Type == ItemInterrupt;
    if (wantInterrupts) {
      if (interrupt) item.Exclusive = 0;
    } else if (interrupt) {
      item.Type = ItemNone;
    } else {
      item.Exclusive = 0;
    }
  }
}

// Steps of the open after allocation. Gives the failure text, or nullptr.
const char* FindRegisterAndMap(BoardHandle* board, std::uint32_t vendor, std::uint32_t device,
                               std::uint32_t cardNumber, std::uint32_t interruptWish) {
  const char* failure = nullptr;
  board->Driver = OpenCheckedDriver(failure);
  if (board->Driver == platform::InvalidOsHandle) return failure;

  PciScan scan{};
  scan.Search = PciId{vendor, device};
  SendRequest(board->Driver, ReqScanPciCards, scan);
  if (scan.CardCount == 0) return MsgCannotFindCard;
  if (CardsIn(scan) <= cardNumber) return MsgCardOutOfRange;

  PciCardInfo info{};
  info.Slot = scan.CardSlots[cardNumber];
  SendRequest(board->Driver, ReqPciCardInfo, info);
  board->Slot = info.Slot;
  board->Registration.Card = info.Card;

  board->WantInterrupts = (interruptWish & 1u) != 0;
  AdjustItemsForRegistration(board->Registration.Card, board->WantInterrupts);
  board->Registration.Mode = 0;
  SendRequest(board->Driver, ReqRegisterCard, board->Registration);
  if (board->Registration.CardHandle == 0) return MsgAlreadyInUse;

  if (AnalyseResources(board) == 0) return MsgMissingItems;
  return nullptr;
}

// Releases what an open board holds: its registration, its handle, its record.
void ReleaseBoard(BoardHandle* board) {
  if (board->Registration.CardHandle != 0) {
    SendRequest(board->Driver, ReqUnregisterCard, board->Registration);
  }
  if (IsOpenHandle(board->Driver)) platform::CloseOsHandle(board->Driver);
  FreeBoardHandle(board);
}

}  // namespace

std::uint32_t OpenBoard(BoardHandle*& out, std::uint32_t vendor, std::uint32_t device,
                        std::uint32_t cardNumber, std::uint32_t interruptWish) {
  BoardHandle* board = NewBoardHandle();
  ClearErrorText();
  if (board == nullptr) {
    SetErrorText(MsgCannotAllocate);
    return 0;
  }
  if (const char* failure = FindRegisterAndMap(board, vendor, device, cardNumber, interruptWish)) {
    SetErrorText(failure);
    ReleaseBoard(board);
    return 0;
  }
  out = board;
  return 1;
}

void CloseBoard(BoardHandle* board) {
  if (board->WantInterrupts && board->Thread != platform::NoHandle) DisableInterrupt(board);
  ReleaseBoard(board);
}

}  // namespace lineio
