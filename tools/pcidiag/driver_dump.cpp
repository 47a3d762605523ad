#include "tools/pcidiag/driver_dump.h"

#include <cstdio>

#include "board/board.h"
#include "board/driver_request.h"
#include "sim/bus_dump.h"

namespace lineio::pcidiag {

namespace {

constexpr std::uint32_t ClassOffset = 0x08;
constexpr std::uint32_t RevisionMask = 0xFF;
constexpr int ClassShift = 16;
constexpr int BitsPerByte = 8;

sim::CardDump DumpCard(platform::OsHandle driver, const PciSlot& slot, const PciId& id) {
  sim::CardDump card;
  card.Slot = slot;
  for (std::uint32_t offset = 0; offset < sim::DumpHeaderBytes; offset += 4) {
    std::uint32_t value = 0;
    ConfigDwordRequest(driver, slot, offset, value, 1);
    for (int i = 0; i < 4; ++i) card.Config.push_back(static_cast<std::uint8_t>(value >> (BitsPerByte * i)));
  }
  std::uint32_t classAndRevision = 0;
  ConfigDwordRequest(driver, slot, ClassOffset, classAndRevision, 1);
  char text[64];
  std::snprintf(text, sizeof text, "%04x: %04x:%04x", classAndRevision >> ClassShift, id.Vendor, id.Device);
  card.Description = text;
  if ((classAndRevision & RevisionMask) != 0) {
    std::snprintf(text, sizeof text, " (rev %02x)", classAndRevision & RevisionMask);
    card.Description += text;
  }
  return card;
}

}  // namespace

bool DumpDriverBus() {
  platform::OsHandle driver = platform::InvalidOsHandle;
  if (OpenDriverLink(driver) == 0) return false;
  PciScan scan{};
  SendRequest(driver, ReqScanPciCards, scan);
  for (std::uint32_t i = 0; i < CardsIn(scan); ++i) {
    std::fputs(sim::FormatCardDump(DumpCard(driver, scan.CardSlots[i], scan.CardIds[i])).c_str(), stdout);
  }
  platform::CloseOsHandle(driver);
  return true;
}

}  // namespace lineio::pcidiag
