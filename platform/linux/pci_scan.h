// Listing the PCI functions under the devices directory and answering a scan
// for vendor and device identifiers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver/records.h"
#include "platform/linux/pci_address.h"

namespace lineio::platform::linuxpci {

struct PciFunction {
  PciAddress Address;
  std::uint32_t Vendor;
  std::uint32_t Device;
};

// Every function under `devicesDirectory`, sorted by domain, bus, slot and
// function. Entries starting with '.' are passed over; an entry whose name is
// not a function's, whose domain the records cannot carry or whose `vendor`
// or `device` file does not hold an identifier is left out with a line on
// standard error. Nothing when the directory cannot be read.
std::vector<PciFunction> ListFunctions(const std::string& devicesDirectory);

// Fills the scan's card count and arrays with the functions that match its
// search identifiers (0 matches any), in the order given, at most
// MaxScannedCards of them; more matches are named on standard error.
void FillScan(PciScan& scan, const std::vector<PciFunction>& functions);

}  // namespace lineio::platform::linuxpci
