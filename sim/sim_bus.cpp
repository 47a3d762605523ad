// The simulated PCI bus: a list of cards with their locations.
#include "sim/sim_bus.h"

#include <stdexcept>

namespace lineio::sim {

namespace {

// Device numbers handed out on bus 0; 0 is left to the host bridge.
constexpr std::uint32_t FirstFreeDevice = 1;

bool SameSlot(const PciSlot& a, const PciSlot& b) {
  return a.Bus == b.Bus && a.Slot == b.Slot && a.Function == b.Function;
}

}  // namespace

SimCard& SimBus::AddCard(std::unique_ptr<SimCard> card) { return AddCard(std::move(card), NextFreeSlot()); }

SimCard& SimBus::AddCard(std::unique_ptr<SimCard> card, const PciSlot& slot) {
  if (card == nullptr) throw std::invalid_argument("no card");
  if (FindBySlot(slot) >= 0) throw std::invalid_argument("slot already taken");
  card->PlaceAt(slot);
  cards_.push_back(Entry{std::move(card), slot});
  return *cards_.back().Card;
}

PciSlot SimBus::NextFreeSlot() const {
  PciSlot slot{0, FirstFreeDevice, 0};
  while (FindBySlot(slot) >= 0) ++slot.Slot;
  return slot;
}

int SimBus::CardCount() const { return static_cast<int>(cards_.size()); }

SimCard& SimBus::Card(int index) { return *cards_.at(static_cast<std::size_t>(index)).Card; }

const SimCard& SimBus::Card(int index) const { return *cards_.at(static_cast<std::size_t>(index)).Card; }

const PciSlot& SimBus::SlotOf(int index) const { return cards_.at(static_cast<std::size_t>(index)).Slot; }

int SimBus::FindBySlot(const PciSlot& slot) const {
  for (std::size_t i = 0; i < cards_.size(); ++i) {
    if (SameSlot(cards_[i].Slot, slot)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace lineio::sim
