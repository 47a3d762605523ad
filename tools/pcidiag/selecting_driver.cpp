#include "tools/pcidiag/selecting_driver.h"

#include <cstdio>

namespace lineio::pcidiag {

SelectingDriver::SelectingDriver(platform::DriverService& inner, const CardSelector& selector,
                                 const sim::SimBus* bus)
    : inner_(inner), selector_(selector), bus_(bus) {}

platform::OsHandle SelectingDriver::Open() { return inner_.Open(); }

bool SelectingDriver::Close(platform::OsHandle handle) { return inner_.Close(handle); }

bool SelectingDriver::Request(platform::OsHandle handle, std::uint32_t code, void* record,
                              std::uint32_t size) {
  if (code == ReqScanPciCards && record != nullptr && size == sizeof(PciScan)) {
    return Scan(handle, *static_cast<PciScan*>(record), size);
  }
  return inner_.Request(handle, code, record, size);
}

bool SelectingDriver::Scan(platform::OsHandle handle, PciScan& scan, std::uint32_t size) {
  // A search for every vendor or device takes the one -d names (the
  // record's 0 means any, so -d 0: cannot narrow it; KeepSelected does).
  if (scan.Search.Vendor == 0 && selector_.Vendor) scan.Search.Vendor = *selector_.Vendor;
  if (scan.Search.Device == 0 && selector_.Device) scan.Search.Device = *selector_.Device;
  if (!inner_.Request(handle, ReqScanPciCards, &scan, size)) return false;
  SayWhatTheRecordLeftOut(scan);
  KeepSelected(scan);
  return true;
}

void SelectingDriver::SayWhatTheRecordLeftOut(const PciScan& scan) const {
  if (bus_ == nullptr) return;
  std::uint32_t matching = 0;
  for (int index = 0; index < bus_->CardCount(); ++index) {
    const sim::SimCard& card = bus_->Card(index);
    if ((scan.Search.Vendor == 0 || scan.Search.Vendor == card.Vendor()) &&
        (scan.Search.Device == 0 || scan.Search.Device == card.Device())) {
      ++matching;
    }
  }
  if (matching > CardsIn(scan)) {
    std::fprintf(stderr, "pcidiag: %u cards on the bus match; the scan record holds the first %u of them\n",
                 matching, CardsIn(scan));
  }
}

void SelectingDriver::KeepSelected(PciScan& scan) const {
  std::uint32_t kept = 0;
  for (std::uint32_t i = 0; i < CardsIn(scan); ++i) {
    if (!Selects(selector_, scan.CardSlots[i], scan.CardIds[i])) continue;
    scan.CardIds[kept] = scan.CardIds[i];
    scan.CardSlots[kept] = scan.CardSlots[i];
    ++kept;
  }
  scan.CardCount = kept;
}

}  // namespace lineio::pcidiag
