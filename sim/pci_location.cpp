#include "sim/pci_location.h"

#include <cstdio>
#include <stdexcept>

namespace lineio::sim {

namespace {

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

std::uint32_t HexValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint32_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<std::uint32_t>(c - 'a' + 10);
  return static_cast<std::uint32_t>(c - 'A' + 10);
}

std::string HexText(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(value));
  return text;
}

// One part of a location: hexadecimal digits only (no sign, no blank), at
// most `max`; leading zeros are allowed, as lspci writes them.
std::uint32_t LocationPart(std::string_view text, std::uint32_t max, const char* what) {
  if (text.empty()) throw std::invalid_argument(std::string("no ") + what);
  std::uint64_t value = 0;
  for (const char c : text) {
    if (!IsHexDigit(c)) {
      throw std::invalid_argument(std::string("the ") + what + " '" + std::string(text) +
                                  "' is not a hexadecimal number");
    }
    value = value * 16 + HexValue(c);
    if (value > max) break;
  }
  if (value > max) {
    throw std::invalid_argument(std::string("the ") + what + " " + std::string(text) +
                                " is out of range (0 to " + HexText(max) + ")");
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace

PciSlot ParsePciLocation(std::string_view text) {
  const std::size_t dot = text.rfind('.');
  const std::size_t lastColon = text.rfind(':');
  if (dot == std::string_view::npos || lastColon == std::string_view::npos || dot < lastColon) {
    throw std::invalid_argument("'" + std::string(text) + "' is not a location (bb:ss.f or dddd:bb:ss.f)");
  }
  const std::size_t firstColon = text.find(':');
  std::uint32_t domain = 0;
  if (firstColon != lastColon) domain = LocationPart(text.substr(0, firstColon), MaxPciDomain, "domain");
  const std::size_t busStart = firstColon == lastColon ? 0 : firstColon + 1;
  const std::uint32_t bus = LocationPart(text.substr(busStart, lastColon - busStart), MaxPciBus, "bus");
  const std::uint32_t slot =
      LocationPart(text.substr(lastColon + 1, dot - lastColon - 1), MaxPciSlot, "slot");
  const std::uint32_t function = LocationPart(text.substr(dot + 1), MaxPciFunction, "function");
  return SlotInDomain(domain, bus, slot, function);
}

std::string FormatPciLocation(const PciSlot& slot) {
  char text[32];
  if (DomainOf(slot) != 0) {
    std::snprintf(text, sizeof text, "%04x:%02x:%02x.%x", DomainOf(slot), BusNumberOf(slot), slot.Slot,
                  slot.Function);
  } else {
    std::snprintf(text, sizeof text, "%02x:%02x.%x", BusNumberOf(slot), slot.Slot, slot.Function);
  }
  return text;
}

}  // namespace lineio::sim
