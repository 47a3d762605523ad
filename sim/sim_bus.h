// The simulated PCI bus: cards at bus/slot/function locations, in the order in
// which the driver lists them (the order in which they were added). A card in
// a domain other than 0 carries the domain above its bus number in
// PciSlot.Bus (pci_location.h), so cards in two domains never share a
// location.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "driver/records.h"
#include "sim/pci_location.h"
#include "sim/sim_card.h"

namespace lineio::sim {

class SimBus {
 public:
  // Adds a card at the next free slot of bus 0 (or at `slot`) and returns it.
  // Placing the card fills in its location items. Throws std::invalid_argument
  // when the location is taken or the card is null.
  SimCard& AddCard(std::unique_ptr<SimCard> card);
  SimCard& AddCard(std::unique_ptr<SimCard> card, const PciSlot& slot);
  // The location that AddCard without a slot would choose.
  PciSlot NextFreeSlot() const;

  int CardCount() const;
  SimCard& Card(int index);
  const SimCard& Card(int index) const;
  const PciSlot& SlotOf(int index) const;
  // Index of the card at a location, or -1.
  int FindBySlot(const PciSlot& slot) const;

 private:
  struct Entry {
    std::unique_ptr<SimCard> Card;
    PciSlot Slot;
  };
  std::vector<Entry> cards_;
  // The index of the card at each location, so that placing and finding a
  // card does not walk the whole bus (a dump may hold a million lines).
  std::map<PciSlotKey, int> indexBySlot_;
};

}  // namespace lineio::sim
