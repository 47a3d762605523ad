// PCI locations as lspci writes them: "bb:ss.f" (bus, slot, function in
// hexadecimal), or "dddd:bb:ss.f" behind the domain, which has four digits or
// more (lspci writes domain 0x10000 as "10000").
//
// The driver's records carry a location as Bus, Slot and Function only. A card
// in a domain other than 0 carries its domain above the bus number:
// PciSlot.Bus = (domain << 8) | bus; in domain 0, Bus is the bus number alone.
// The simulated bus, its dumps and the Linux driver backend all use this
// encoding.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>

#include "driver/records.h"

namespace lineio::sim {

inline constexpr std::uint32_t PciDomainShift = 8;
inline constexpr std::uint32_t MaxPciDomain = 0xFFFFFF;  // what fits above the bus number
inline constexpr std::uint32_t MaxPciBus = 0xFF;
inline constexpr std::uint32_t MaxPciSlot = 0x1F;
inline constexpr std::uint32_t MaxPciFunction = 0x7;

constexpr PciSlot SlotInDomain(std::uint32_t domain, std::uint32_t bus, std::uint32_t slot,
                               std::uint32_t function) {
  return PciSlot{(domain << PciDomainShift) | bus, slot, function};
}
constexpr std::uint32_t DomainOf(const PciSlot& slot) { return slot.Bus >> PciDomainShift; }
constexpr std::uint32_t BusNumberOf(const PciSlot& slot) { return slot.Bus & MaxPciBus; }

// A location as one ordered key (bus, slot, function), for sets and maps of
// cards: two cards share a location exactly when their keys are equal.
using PciSlotKey = std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>;
constexpr PciSlotKey KeyOf(const PciSlot& slot) { return {slot.Bus, slot.Slot, slot.Function}; }

// Reads a location. Each part is hexadecimal digits only, within its range:
// domain 0 to ffffff, bus 0 to ff, slot 0 to 1f, function 0 to 7. Throws
// std::invalid_argument saying what is wrong.
PciSlot ParsePciLocation(std::string_view text);
// "bb:ss.f", with "dddd:" in front for a domain other than 0.
std::string FormatPciLocation(const PciSlot& slot);

}  // namespace lineio::sim
