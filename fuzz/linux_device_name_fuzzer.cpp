// The Linux backend's reader of PCI function names ("0000:03:00.0", the
// entries under /sys/bus/pci/devices): ParseDeviceName, with DeviceName,
// SlotOf and AddressOf around it.
//
// Input: the name. A name that is taken must name the same function when
// written back, and be written back byte for byte when it is in the kernel's
// own form (lower case, the domain in four digits or the fewest above); the
// PciSlot of a function must lead back to it, so no two functions share one.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/harness_support.h"
#include "platform/linux/pci_address.h"

namespace lineio::fuzz {

namespace {

using platform::linuxpci::PciAddress;

constexpr std::size_t MinDomainDigits = 4;

bool InKernelForm(std::string_view name) {
  const std::size_t domainDigits = name.find(':');
  if (domainDigits > MinDomainDigits && name[0] == '0') return false;
  for (const char c : name) {
    if (std::isupper(static_cast<unsigned char>(c)) != 0) return false;
  }
  return true;
}

}  // namespace

int RunInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view name(reinterpret_cast<const char*>(data), size);
  const std::optional<PciAddress> address = platform::linuxpci::ParseDeviceName(name);
  if (!address) return 0;
  Require(address->Bus <= platform::linuxpci::MaxBus && address->Slot <= platform::linuxpci::MaxSlot &&
              address->Function <= platform::linuxpci::MaxFunction,
          "a function name's parts lie within their ranges");
  const std::string written = platform::linuxpci::DeviceName(*address);
  Require(platform::linuxpci::ParseDeviceName(written) == address, "a written function name reads back");
  if (InKernelForm(name)) Require(written == name, "a name in the kernel's form is written back as it was");

  const std::optional<PciSlot> slot = platform::linuxpci::SlotOf(*address);
  Require(slot.has_value() == (address->Domain <= platform::linuxpci::MaxDomain),
          "a function has a slot exactly when the records can carry its domain");
  if (slot) Require(platform::linuxpci::AddressOf(*slot) == address, "a function's slot leads back to it");
  return 0;
}

}  // namespace lineio::fuzz
