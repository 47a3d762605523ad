#include "tools/pcidiag/card_selector.h"

#include <cstdio>

#include "sim/pci_location.h"
#include "tools/pcidiag/command_line.h"

namespace lineio::pcidiag {

namespace {

constexpr std::uint32_t MaxIdentifier = 0xFFFF;

std::string HexText(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(value));
  return text;
}

// One part of a selector: empty or "*" matches anything (nothing is stored);
// otherwise hexadecimal digits up to `max`. False with `error` for anything
// else.
bool Part(const std::string& text, std::uint32_t max, const char* what, std::optional<std::uint32_t>& out,
          std::string& error) {
  if (text.empty() || text == "*") return true;
  out = ParseHexDigits(text, max);
  if (!out) error = std::string("not a ") + what + " (hexadecimal, at most " + HexText(max) + "): " + text;
  return out.has_value();
}

bool Matches(const std::optional<std::uint32_t>& wanted, std::uint32_t value) {
  return !wanted || *wanted == value;
}

}  // namespace

bool ParseSlotSelector(const std::string& text, CardSelector& selector, std::string& error) {
  selector.Given = true;
  // What stands before the last colon is [domain:]bus; after it, slot[.func].
  std::string place = text;
  const std::size_t lastColon = text.rfind(':');
  if (lastColon != std::string::npos) {
    std::string busPart = text.substr(0, lastColon);
    place = text.substr(lastColon + 1);
    const std::size_t domainColon = busPart.find(':');
    if (domainColon != std::string::npos) {
      if (!Part(busPart.substr(0, domainColon), sim::MaxPciDomain, "domain", selector.Domain, error)) {
        return false;
      }
      busPart = busPart.substr(domainColon + 1);
    }
    if (!Part(busPart, sim::MaxPciBus, "bus number", selector.Bus, error)) return false;
  }
  const std::size_t dot = place.find('.');
  if (!Part(place.substr(0, dot), sim::MaxPciSlot, "slot number", selector.Slot, error)) return false;
  return dot == std::string::npos ||
         Part(place.substr(dot + 1), sim::MaxPciFunction, "function number", selector.Function, error);
}

bool ParseIdSelector(const std::string& text, CardSelector& selector, std::string& error) {
  selector.Given = true;
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) {
    error = "not [vendor]:[device]: " + text;
    return false;
  }
  const std::string device = text.substr(colon + 1);
  if (device.find(':') != std::string::npos) {
    error = "-d takes [vendor]:[device] only (no class): " + text;
    return false;
  }
  return Part(text.substr(0, colon), MaxIdentifier, "vendor identifier", selector.Vendor, error) &&
         Part(device, MaxIdentifier, "device identifier", selector.Device, error);
}

bool Selects(const CardSelector& selector, const PciSlot& slot, const PciId& id) {
  return Matches(selector.Domain, sim::DomainOf(slot)) && Matches(selector.Bus, sim::BusNumberOf(slot)) &&
         Matches(selector.Slot, slot.Slot) && Matches(selector.Function, slot.Function) &&
         Matches(selector.Vendor, id.Vendor) && Matches(selector.Device, id.Device);
}

}  // namespace lineio::pcidiag
