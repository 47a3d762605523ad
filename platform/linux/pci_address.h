// Where a PCI function sits: the name of its sysfs entry ("0000:03:00.0",
// domain, bus, slot and function in hexadecimal) and the driver records'
// PciSlot.
//
// The records carry only bus, slot and function. A function in a PCI domain
// other than 0 is reported with PciSlot.Bus = (domain << 8) | bus, so domain 0
// is unchanged and every function on the machine keeps a distinct slot.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "driver/records.h"

namespace lineio::platform::linuxpci {

inline constexpr std::uint32_t MaxDomain = 0xFFFFFF;  // the widest that PciSlot.Bus can carry
inline constexpr std::uint32_t MaxBus = 0xFF;
inline constexpr std::uint32_t MaxSlot = 0x1F;
inline constexpr std::uint32_t MaxFunction = 7;
inline constexpr std::uint32_t DomainShift = 8;

struct PciAddress {
  std::uint32_t Domain;
  std::uint32_t Bus;
  std::uint32_t Slot;
  std::uint32_t Function;
  auto operator<=>(const PciAddress&) const = default;
};

// "dddd:bb:ss.f" exactly as the kernel names the entry: a domain of 4 to 8
// hexadecimal digits, a bus and a slot of 2, a function of 1; slot at most
// 0x1f, function at most 7. Any other text gives nothing. A domain above
// MaxDomain parses, but has no PciSlot (see SlotOf).
std::optional<PciAddress> ParseDeviceName(std::string_view name);
// The entry's name, as the kernel writes it ("%04x:%02x:%02x.%x").
std::string DeviceName(const PciAddress& address);

// The PciSlot of an address; nothing when its domain is above MaxDomain.
std::optional<PciSlot> SlotOf(const PciAddress& address);
// The address that a PciSlot names; nothing when its slot or function is out
// of range.
std::optional<PciAddress> AddressOf(const PciSlot& slot);

}  // namespace lineio::platform::linuxpci
