// Counting the cards with given identifiers, on a driver handle of its own.
#include "board/board.h"
#include "board/driver_request.h"

namespace lineio {

std::uint32_t ScanBoards(std::uint32_t vendor, std::uint32_t device) {
  ClearErrorText();
  const char* failure = nullptr;
  const platform::OsHandle driver = OpenCheckedDriver(failure);
  if (driver == platform::InvalidOsHandle) {
    SetErrorText(failure);
    return 0;
  }
  PciScan scan{};
  scan.Search = PciId{vendor, device};
  SendRequest(driver, ReqScanPciCards, scan);
  platform::CloseOsHandle(driver);
  if (scan.CardCount == 0) SetErrorText(MsgNoCardsFound);
  return CardsIn(scan);
}

}  // namespace lineio
