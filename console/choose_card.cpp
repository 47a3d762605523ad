// Choosing a card by its vendor and device identifiers.
#include <cstdio>
#include <optional>

#include "board/board.h"
#include "board/driver_request.h"
#include "console/console.h"
#include "console/console_input.h"

namespace lineio {

namespace {

enum class Pass { Chosen, Retry, Leave };

// Lets the user pick one of several matching cards.
Pass PickCard(const PciScan& scan, PciSlot& out) {
  const std::uint32_t count = CardsIn(scan);
  std::printf("Found %d matching PCI cards\n", static_cast<int>(count));
  std::printf("Select card (1-%d): ", static_cast<int>(count));
  const std::optional<std::int32_t> pick = ReadDecimalAnswer();
  if (!pick) return Pass::Leave;
  const auto number = static_cast<std::uint32_t>(*pick);
  if (number >= 1 && number <= count) {
    out = scan.CardSlots[number - 1];
    return Pass::Chosen;
  }
  std::printf("%s", MsgChoiceOutOfRange);
  return Pass::Retry;
}

// One pass of the dialogue: identifiers, scan, choice.
Pass ChooseOnce(platform::OsHandle driver, PciSlot& out) {
  std::printf("Enter VendorID: ");
  const std::optional<std::uint32_t> vendor = ReadHexAnswer();
  if (!vendor || *vendor == 0) return Pass::Leave;
  std::printf("Enter DeviceID: ");
  // A device answer that is not hexadecimal searches for device 0: every card
  // of the vendor.
  const std::optional<std::uint32_t> device = ReadHexAnswer();
  if (!device) return Pass::Leave;

  PciScan scan{};
  scan.Search = PciId{*vendor, *device};
  SendRequest(driver, ReqScanPciCards, scan);
  if (scan.CardCount == 0) {
    std::printf("%s", MsgCannotFindCard);
    return Pass::Retry;
  }
  if (scan.CardCount == 1) {
    out = scan.CardSlots[0];
    return Pass::Chosen;
  }
  return PickCard(scan, out);
}

bool WantsAnotherTry() {
  std::printf("Do you want to try a different VendorID/DeviceID? ");
  const std::optional<Answer> answer = ReadAnswerWord();
  return answer && AnswerStartsWith(*answer, 'Y');
}

}  // namespace

std::uint32_t ChooseCard(PciSlot& out) {
  platform::OsHandle driver = platform::InvalidOsHandle;
  if (OpenDriverLink(driver) == 0) return 0;
  std::uint32_t chosen = 0;
  for (;;) {
    const Pass pass = ChooseOnce(driver, out);
    if (pass == Pass::Chosen) chosen = 1;
    if (pass != Pass::Retry || !WantsAnotherTry()) break;
  }
  platform::CloseOsHandle(driver);
  return chosen;
}

}  // namespace lineio
