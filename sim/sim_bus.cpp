// The simulated PCI bus: a list of cards with their locations.
#include "sim/sim_bus.h"

#include <stdexcept>

namespace lineio::sim {

namespace {

// Device numbers handed out on bus 0; 0 is left to the host bridge.
constexpr std::uint32_t FirstFreeDevice = 1;

}  // namespace

SimCard& SimBus::AddCard(std::unique_ptr<SimCard> card) { return AddCard(std::move(card), NextFreeSlot()); }

SimCard& SimBus::AddCard(std::unique_ptr<SimCard> card, const PciSlot& slot) {
  if (card == nullptr) throw std::invalid_argument("no card");
  if (FindBySlot(slot) >= 0) throw std::invalid_argument("slot already taken");
  card->PlaceAt(slot);
  indexBySlot_.emplace(KeyOf(slot), CardCount());
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
  const auto found = indexBySlot_.find(KeyOf(slot));
  return found == indexBySlot_.end() ? -1 : found->second;
}

}  // namespace lineio::sim
