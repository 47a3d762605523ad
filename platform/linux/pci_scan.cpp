#include "platform/linux/pci_scan.h"

#include <dirent.h>

#include <algorithm>
#include <optional>

#include "platform/linux/failure_lines.h"
#include "platform/linux/sysfs_files.h"
#include "platform/linux/sysfs_number.h"

namespace lineio::platform::linuxpci {

namespace {

constexpr std::size_t IdentifierFileBytes = 64;
constexpr std::uint64_t MaxIdentifier = 0xFFFF;

std::optional<std::uint32_t> ReadIdentifier(const std::string& directory, const char* file) {
  int error = 0;
  const std::string path = directory + "/" + file;
  const std::optional<std::string> text = ReadSmallFile(path, IdentifierFileBytes, error);
  if (!text) {
    ReportFailure("cannot read %s: %s", path.c_str(), OpenFailureReason(error).c_str());
    return std::nullopt;
  }
  const std::optional<std::uint64_t> value = ParseSysfsNumber(*text, MaxIdentifier);
  if (!value) {
    ReportFailure("%s does not hold a PCI identifier; the function is left out", path.c_str());
    return std::nullopt;
  }
  return static_cast<std::uint32_t>(*value);
}

// The function of one directory entry, or nothing (with its line).
std::optional<PciFunction> ReadFunction(const std::string& devicesDirectory, const std::string& name) {
  const std::optional<PciAddress> address = ParseDeviceName(name);
  if (!address) {
    ReportFailure("%s/%s is not named as a PCI function; left out", devicesDirectory.c_str(), name.c_str());
    return std::nullopt;
  }
  if (!SlotOf(*address)) {
    ReportFailure("%s: PCI domain %x does not fit the driver records; left out", name.c_str(),
                  address->Domain);
    return std::nullopt;
  }
  const std::string directory = devicesDirectory + "/" + name;
  const std::optional<std::uint32_t> vendor = ReadIdentifier(directory, "vendor");
  if (!vendor) return std::nullopt;
  const std::optional<std::uint32_t> device = ReadIdentifier(directory, "device");
  if (!device) return std::nullopt;
  return PciFunction{*address, *vendor, *device};
}

bool Matches(const PciId& search, const PciFunction& function) {
  return (search.Vendor == 0 || search.Vendor == function.Vendor) &&
         (search.Device == 0 || search.Device == function.Device);
}

}  // namespace

std::vector<PciFunction> ListFunctions(const std::string& devicesDirectory) {
  std::vector<std::string> names;
  if (DIR* directory = opendir(devicesDirectory.c_str())) {
    while (const dirent* entry = readdir(directory)) {
      if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
    }
    closedir(directory);
  }
  std::vector<PciFunction> functions;
  for (const std::string& name : names) {
    if (std::optional<PciFunction> function = ReadFunction(devicesDirectory, name)) {
      functions.push_back(*function);
    }
  }
  std::sort(functions.begin(), functions.end(),
            [](const PciFunction& a, const PciFunction& b) { return a.Address < b.Address; });
  return functions;
}

void FillScan(PciScan& scan, const std::vector<PciFunction>& functions) {
  std::uint32_t found = 0;
  std::uint32_t matching = 0;
  for (const PciFunction& function : functions) {
    if (!Matches(scan.Search, function)) continue;
    ++matching;
    if (found == MaxScannedCards) continue;
    scan.CardIds[found] = PciId{function.Vendor, function.Device};
    scan.CardSlots[found] = *SlotOf(function.Address);
    ++found;
  }
  scan.CardCount = found;
  if (matching > found) {
    ReportFailure("%u PCI functions match; the scan record holds the first %u of them", matching, found);
  }
}

}  // namespace lineio::platform::linuxpci
