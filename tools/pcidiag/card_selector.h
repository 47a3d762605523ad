// Choosing cards as lspci does: `-s [[domain:]bus:][slot][.func]` by place and
// `-d [vendor]:[device]` by identifiers, every part hexadecimal, a part left
// out or written `*` matching anything. A card is chosen when it matches both.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "driver/records.h"

namespace lineio::pcidiag {

struct CardSelector {
  std::optional<std::uint32_t> Domain;
  std::optional<std::uint32_t> Bus;
  std::optional<std::uint32_t> Slot;
  std::optional<std::uint32_t> Function;
  std::optional<std::uint32_t> Vendor;
  std::optional<std::uint32_t> Device;
  bool Given = false;  // -s or -d was given
};

// Reads the operand of -s or -d into the selector; false with `error` saying
// what is wrong.
bool ParseSlotSelector(const std::string& text, CardSelector& selector, std::string& error);
bool ParseIdSelector(const std::string& text, CardSelector& selector, std::string& error);

// Whether the card at `slot` (its domain above the bus number) with the
// identifiers `id` is chosen.
bool Selects(const CardSelector& selector, const PciSlot& slot, const PciId& id);

}  // namespace lineio::pcidiag
