// Listing the resources that the driver reports for one card.
#include <cstdio>

#include "board/board.h"
#include "board/driver_request.h"
#include "console/console.h"

namespace lineio {

namespace {

// The last address of a range: base + length - 1, in 32 bits.
std::uint32_t RangeEnd(const ResourceItem& item) { return item.Value0 + item.Value1 - 1; }

void PrintItem(const ResourceItem& item) {
  switch (item.Type) {
    case ItemInterrupt: std::printf("Interrupt: irq %d", static_cast<int>(item.Value0)); break;
    case ItemMemory: std::printf("Memory: range 0x%x-0x%x", item.Value0, RangeEnd(item)); break;
    case ItemIo: std::printf("IO: range 0x%x-0x%x", item.Value0, RangeEnd(item)); break;
    case ItemBus:
      std::printf("Bus: type %d, bus number %d, slot %08x", static_cast<int>(item.Value0),
                  static_cast<int>(item.Value1), static_cast<unsigned>(item.Value2));
      break;
    default: std::printf("%s", MsgInvalidItemType); break;
  }
}

}  // namespace

void PrintCardResources(std::uint32_t bus, std::uint32_t slot, std::uint32_t function) {
  platform::OsHandle driver = platform::InvalidOsHandle;
  if (OpenDriverLink(driver) == 0) return;
  PciCardInfo info{};
  info.Slot = PciSlot{bus, slot, function};
  SendRequest(driver, ReqPciCardInfo, info);
  for (std::uint32_t i = 0; i < ItemsIn(info.Card); ++i) {
    std::printf("   Item ");
    PrintItem(info.Card.Items[i]);
    std::printf("\n");
  }
  platform::CloseOsHandle(driver);
}

}  // namespace lineio
