// Registration and locking of cards: which card a resource list names, and the
// addresses and handles that the driver fills in when it registers one.
#include "sim/simulated_driver.h"

#include <algorithm>

namespace lineio::sim {

namespace {

bool HasRangeAt(const SimCard& card, bool io, std::uint32_t base) {
  for (int bar = 0; bar <= ExpansionRomBar; ++bar) {
    if (card.HasRange(bar) && card.IsIoRange(bar) == io && card.RangeBase(bar) == base) return true;
  }
  return false;
}

bool HasInterruptLine(const SimCard& card, std::uint32_t line) {
  return std::any_of(card.Items().begin(), card.Items().end(), [line](const ResourceItem& item) {
    return item.Type == ItemInterrupt && item.Value0 == line;
  });
}

}  // namespace

// A card is named by its bus item (bus, slot and function) when it has one
// that matches a location, else by the base of a memory or I/O range, else by
// an interrupt line.
int SimulatedDriver::FindCardOf(const CardResources& resources) const {
  const std::uint32_t count = ItemsIn(resources);
  for (std::uint32_t i = 0; i < count; ++i) {
    const ResourceItem& item = resources.Items[i];
    if (item.Type != ItemBus) continue;
    for (int card = 0; card < bus_.CardCount(); ++card) {
      const PciSlot& slot = bus_.SlotOf(card);
      if (slot.Bus == item.Value1 && slot.Slot == item.Value2 && slot.Function == item.Value4) return card;
    }
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    const ResourceItem& item = resources.Items[i];
    if (item.Type != ItemMemory && item.Type != ItemIo) continue;
    for (int card = 0; card < bus_.CardCount(); ++card) {
      if (HasRangeAt(bus_.Card(card), item.Type == ItemIo, item.Value0)) return card;
    }
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    const ResourceItem& item = resources.Items[i];
    if (item.Type != ItemInterrupt) continue;
    for (int card = 0; card < bus_.CardCount(); ++card) {
      if (HasInterruptLine(bus_.Card(card), item.Value0)) return card;
    }
  }
  return -1;
}

// A refusal is not a failed request: the card handle 0 says "in use".
bool SimulatedDriver::RegisterCard(CardRegistration& registration) {
  const int card = FindCardOf(registration.Card);
  const bool heldByUs = std::any_of(registrations_.begin(), registrations_.end(),
                                    [card](const auto& entry) { return entry.second.Card == card; });
  if (card < 0 || heldByUs || faults_.LockedByAnotherUser(card)) {
    registration.CardHandle = 0;
    return true;
  }
  const std::uint32_t cardHandle = nextCardHandle_++;
  const std::uint32_t interruptHandle = nextInterruptHandle_++;
  FillRegisteredItems(card, interruptHandle, registration.Card);
  registrations_[cardHandle] = Registration{card, interruptHandle};
  if (bus_.Card(card).InterruptLine() >= 0) interrupts_.Attach(interruptHandle, card);
  registration.CardHandle = cardHandle;
  return true;
}

void SimulatedDriver::FillRegisteredItems(int card, std::uint32_t interruptHandle, CardResources& resources) {
  SimCard& model = bus_.Card(card);
  const std::uint32_t count = ItemsIn(resources);
  for (std::uint32_t i = 0; i < count; ++i) {
    ResourceItem& item = resources.Items[i];
    if (item.Type == ItemInterrupt) {
      item.Value2 = interruptHandle;
    } else if (item.Type == ItemMemory) {
      for (int bar = 0; bar <= ExpansionRomBar; ++bar) {
        if (model.MemoryOf(bar) == nullptr || model.RangeBase(bar) != item.Value0) continue;
        const auto address = reinterpret_cast<std::uintptr_t>(model.MemoryOf(bar));
        item.Value2 = address;
        item.Value3 = address;
        break;
      }
    }
  }
}

// An unregistered card takes its interrupt with it.
bool SimulatedDriver::UnregisterCard(CardRegistration& registration) {
  const auto found = registrations_.find(registration.CardHandle);
  if (found == registrations_.end()) return false;
  const std::uint32_t interruptHandle = found->second.InterruptHandle;
  registrations_.erase(found);
  interrupts_.Retire(interruptHandle);
  return true;
}

}  // namespace lineio::sim
