// The simulated driver's view of the bus: scans, card resources and
// configuration space access.
#include <algorithm>

#include "sim/simulated_driver.h"

namespace lineio::sim {

namespace {

constexpr std::uint32_t AbsentDeviceValue = 0xFFFFFFFF;  // what an empty slot answers
constexpr std::uint32_t MaxConfigBytes = 4;

// A zero identifier in the search matches every card.
bool Matches(const PciId& search, const SimCard& card) {
  return (search.Vendor == 0 || search.Vendor == card.Vendor()) &&
         (search.Device == 0 || search.Device == card.Device());
}

}  // namespace

bool SimulatedDriver::ScanPciCards(PciScan& scan) {
  std::uint32_t found = 0;
  for (int index = 0; index < bus_.CardCount() && found < MaxScannedCards; ++index) {
    const SimCard& card = bus_.Card(index);
    if (!Matches(scan.Search, card)) continue;
    scan.CardIds[found] = PciId{card.Vendor(), card.Device()};
    scan.CardSlots[found] = bus_.SlotOf(index);
    ++found;
  }
  scan.CardCount = faults_.CardCountFor(found);
  return true;
}

bool SimulatedDriver::PciCardInfoRequest(PciCardInfo& info) {
  const int index = bus_.FindBySlot(info.Slot);
  if (index < 0) return false;
  const std::vector<ResourceItem>& items = bus_.Card(index).Items();
  const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(items.size(), MaxResourceItems));
  std::copy_n(items.begin(), count, info.Card.Items);
  info.Card.ItemCount = faults_.ItemCountFor(count);
  return true;
}

bool SimulatedDriver::PciConfig(PciConfigAccess& access) {
  if (access.Buffer == nullptr || access.ByteCount == 0 || access.ByteCount > MaxConfigBytes) {
    return false;
  }
  auto* buffer = static_cast<std::uint8_t*>(access.Buffer);
  const int index = bus_.FindBySlot(access.Slot);
  if (access.ReadFlag != 0) {
    const std::uint32_t value =
        index < 0 ? AbsentDeviceValue : bus_.Card(index).ConfigRead(access.Offset, access.ByteCount);
    for (std::uint32_t i = 0; i < access.ByteCount; ++i) {
      buffer[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    return true;
  }
  std::uint32_t value = 0;
  for (std::uint32_t i = 0; i < access.ByteCount; ++i) value |= std::uint32_t{buffer[i]} << (8 * i);
  if (index >= 0) bus_.Card(index).ConfigWrite(access.Offset, access.ByteCount, value);
  return true;
}

}  // namespace lineio::sim
