// Counting the cards with given identifiers, on a driver handle of its own.
#include "board/board.h"
#include "board/driver_request.h"

namespace lineio {

std::uint32_t ScanBoards(std::uint32_t vendor, std::uint32_t device) {
  ClearErrorText();
  platform::OsHandle driver = platform::OpenDriverDevice();
  if (driver == platform::InvalidOsHandle) {
    SetErrorText(MsgCannotOpenDriver);
    return 0;
  }
  if (QueryDriverVersion(driver) < MinimumDriverVersion) {
    SetErrorText(MsgIncorrectVersion);
    platform::CloseOsHandle(driver);
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
