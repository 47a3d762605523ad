// The resources of one PCI function, as the driver records describe them:
// one item per used base address register and for the expansion ROM (from the
// `resource` file, I/O and memory told apart by its flags), an interrupt item
// when `irq` is not 0, and a bus item that names the function.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "driver/records.h"
#include "platform/linux/pci_address.h"
#include "platform/linux/resource_file.h"

namespace lineio::platform::linuxpci {

// The bus item: Value0 the bus type (PCI), Value1 the bus number as PciSlot
// carries it (with the domain, see pci_address.h), Value2 the slot and Value4
// the function. Registration finds the function by it.
inline constexpr std::uint32_t PciBusType = 5;

// The directory of a function under the devices directory.
std::string FunctionDirectory(const std::string& devicesDirectory, const PciAddress& address);

// The parsed `resource` file of a function directory; nothing, with a line on
// standard error, when it cannot be read or is not a resource file.
std::optional<std::vector<ResourceLine>> ReadResourceFile(const std::string& functionDirectory);

// Fills `card` with the function's items. A range that does not fit the
// records' 32-bit fields is left out, and so is an item beyond
// MaxResourceItems, each with a line on standard error. False, with `card`
// holding no item, when the function's files cannot be read.
bool DescribeFunction(const std::string& devicesDirectory, const PciAddress& address, CardResources& card);

// The location that a resource list's bus item names; nothing when it has
// none.
std::optional<PciAddress> LocationOf(const CardResources& card);

}  // namespace lineio::platform::linuxpci
