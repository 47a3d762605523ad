// Listing every card on the bus with its resources, one card at a time.
#include <cstdio>

#include "board/board.h"
#include "board/driver_request.h"
#include "console/console.h"
#include "console/console_input.h"

namespace lineio {

void PrintCardLine(const PciSlot& slot, const PciId& id) {
  std::printf("Bus %d Slot %d Function %d, VendorID %04x DeviceID %04x\n", static_cast<int>(slot.Bus),
              static_cast<int>(slot.Slot), static_cast<int>(slot.Function), id.Vendor, id.Device);
}

void ScanPciBus() {
  platform::OsHandle driver = platform::InvalidOsHandle;
  if (OpenDriverLink(driver) == 0) return;
  // Both identifiers 0: every card on the bus is listed.
  PciScan scan{};
  std::printf("Pci bus scan:\n\n");
  SendRequest(driver, ReqScanPciCards, scan);
  for (std::uint32_t i = 0; i < CardsIn(scan); ++i) {
    const PciSlot& slot = scan.CardSlots[i];
    PrintCardLine(slot, scan.CardIds[i]);
    PrintCardResources(slot.Bus, slot.Slot, slot.Function);
    std::printf("Press Enter to continue to next slot\n");
    // The line only paces the listing; at end of input the listing goes on.
    SkipAnswerLine();
  }
  platform::CloseOsHandle(driver);
}

}  // namespace lineio
