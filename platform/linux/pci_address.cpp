#include "platform/linux/pci_address.h"

#include <cstdio>

namespace lineio::platform::linuxpci {

namespace {

constexpr std::size_t MinDomainDigits = 4;
constexpr std::size_t MaxDomainDigits = 8;
constexpr std::size_t BusDigits = 2;
constexpr std::size_t SlotDigits = 2;
constexpr std::size_t FunctionDigits = 1;
constexpr std::uint32_t LetterDigitBase = 10;

std::optional<std::uint32_t> HexDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint32_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<std::uint32_t>(c - 'a') + LetterDigitBase;
  if (c >= 'A' && c <= 'F') return static_cast<std::uint32_t>(c - 'A') + LetterDigitBase;
  return std::nullopt;
}

// Takes `count` hexadecimal digits (at most 8) from the front of `text`.
std::optional<std::uint32_t> TakeHex(std::string_view& text, std::size_t count) {
  if (text.size() < count) return std::nullopt;
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::optional<std::uint32_t> digit = HexDigit(text[i]);
    if (!digit) return std::nullopt;
    value = value << 4 | *digit;
  }
  text.remove_prefix(count);
  return value;
}

bool TakeSeparator(std::string_view& text, char separator) {
  if (text.empty() || text[0] != separator) return false;
  text.remove_prefix(1);
  return true;
}

}  // namespace

std::optional<PciAddress> ParseDeviceName(std::string_view name) {
  const std::size_t domainDigits = name.find(':');
  if (domainDigits < MinDomainDigits || domainDigits > MaxDomainDigits) return std::nullopt;
  const auto domain = TakeHex(name, domainDigits);
  if (!domain || !TakeSeparator(name, ':')) return std::nullopt;
  const auto bus = TakeHex(name, BusDigits);
  if (!bus || !TakeSeparator(name, ':')) return std::nullopt;
  const auto slot = TakeHex(name, SlotDigits);
  if (!slot || !TakeSeparator(name, '.')) return std::nullopt;
  const auto function = TakeHex(name, FunctionDigits);
  if (!function || !name.empty()) return std::nullopt;
  if (*slot > MaxSlot || *function > MaxFunction) return std::nullopt;
  return PciAddress{*domain, *bus, *slot, *function};
}

std::string DeviceName(const PciAddress& address) {
  char name[32];
  std::snprintf(name, sizeof name, "%04x:%02x:%02x.%x", address.Domain, address.Bus, address.Slot,
                address.Function);
  return name;
}

std::optional<PciSlot> SlotOf(const PciAddress& address) {
  if (address.Domain > MaxDomain) return std::nullopt;
  return PciSlot{address.Domain << DomainShift | address.Bus, address.Slot, address.Function};
}

std::optional<PciAddress> AddressOf(const PciSlot& slot) {
  if (slot.Slot > MaxSlot || slot.Function > MaxFunction) return std::nullopt;
  return PciAddress{slot.Bus >> DomainShift, slot.Bus & MaxBus, slot.Slot, slot.Function};
}

}  // namespace lineio::platform::linuxpci
