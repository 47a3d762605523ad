#include "platform/linux/card_info.h"

#include <cinttypes>

#include "platform/linux/failure_lines.h"
#include "platform/linux/sysfs_files.h"
#include "platform/linux/sysfs_number.h"

namespace lineio::platform::linuxpci {

namespace {

// A resource file of MaxResourceLines lines of 57 characters fits.
constexpr std::size_t ResourceFileBytes = 4096;
constexpr std::size_t IrqFileBytes = 64;
constexpr std::uint64_t Max32 = 0xFFFFFFFF;

const char* RangeKind(const ResourceLine& line) { return (line.Flags & ResourceIo) != 0 ? "I/O" : "memory"; }

bool AddItem(CardResources& card, const ResourceItem& item, const std::string& name) {
  if (card.ItemCount == MaxResourceItems) {
    ReportFailure("%s: more than %u resource items; the rest are left out", name.c_str(), MaxResourceItems);
    return false;
  }
  card.Items[card.ItemCount++] = item;
  return true;
}

void AddRanges(CardResources& card, const std::vector<ResourceLine>& lines, const std::string& name) {
  for (std::size_t index = 0; index <= RomLine && index < lines.size(); ++index) {
    const ResourceLine& line = lines[index];
    if (!IsUsed(line)) continue;
    if ((line.Flags & (ResourceIo | ResourceMemory)) == 0) {
      ReportFailure("%s: resource %zu is neither I/O nor memory; left out", name.c_str(), index);
      continue;
    }
    // The records hold the base and the length in 32 bits each: a range that
    // ends above 4 GiB does not fit, nor does one of the whole 4 GiB from 0.
    if (line.End > Max32 || LengthOf(line) > Max32) {
      ReportFailureWith(FailureReason::RangeAbove4GiB,
                        "%s: %s range 0x%" PRIx64 "-0x%" PRIx64
                        " (resource %zu) does not fit the driver "
                        "records' 32-bit fields; left out",
                        name.c_str(), RangeKind(line), line.Start, line.End, index);
      continue;
    }
    ResourceItem item{};
    item.Type = (line.Flags & ResourceIo) != 0 ? ItemIo : ItemMemory;
    item.Value0 = static_cast<std::uint32_t>(line.Start);
    item.Value1 = static_cast<std::uint32_t>(LengthOf(line));
    if (!AddItem(card, item, name)) return;
  }
}

// The interrupt line as the kernel routed it; 0 (none) when unreadable.
std::uint32_t ReadIrq(const std::string& directory, const std::string& name) {
  int error = 0;
  const std::optional<std::string> text = ReadSmallFile(directory + "/irq", IrqFileBytes, error);
  if (!text) {
    ReportFailure("%s: cannot read irq: %s; no interrupt item", name.c_str(),
                  OpenFailureReason(error).c_str());
    return 0;
  }
  const std::optional<std::uint64_t> irq = ParseSysfsNumber(*text, Max32);
  if (!irq) {
    ReportFailure("%s: irq does not hold a number; no interrupt item", name.c_str());
    return 0;
  }
  return static_cast<std::uint32_t>(*irq);
}

}  // namespace

std::string FunctionDirectory(const std::string& devicesDirectory, const PciAddress& address) {
  return devicesDirectory + "/" + DeviceName(address);
}

std::optional<std::vector<ResourceLine>> ReadResourceFile(const std::string& functionDirectory) {
  const std::string path = functionDirectory + "/resource";
  int error = 0;
  const std::optional<std::string> text = ReadSmallFile(path, ResourceFileBytes, error);
  if (!text) {
    ReportFailure("cannot read %s: %s", path.c_str(), OpenFailureReason(error).c_str());
    return std::nullopt;
  }
  auto parsed = ParseResourceFile(*text);
  if (const auto* failure = std::get_if<ResourceFileError>(&parsed)) {
    ReportFailure("%s, line %zu: %s; not a resource file", path.c_str(), failure->Line,
                  failure->Reason.c_str());
    return std::nullopt;
  }
  return std::get<std::vector<ResourceLine>>(std::move(parsed));
}

bool DescribeFunction(const std::string& devicesDirectory, const PciAddress& address, CardResources& card) {
  card.ItemCount = 0;
  const std::string name = DeviceName(address);
  const std::optional<PciSlot> slot = SlotOf(address);
  const std::string directory = FunctionDirectory(devicesDirectory, address);
  const std::optional<std::vector<ResourceLine>> lines = slot ? ReadResourceFile(directory) : std::nullopt;
  if (!lines) return false;
  AddRanges(card, *lines, name);
  if (const std::uint32_t irq = ReadIrq(directory, name); irq != 0) {
    ResourceItem item{};
    item.Type = ItemInterrupt;
    item.Value0 = irq;
    AddItem(card, item, name);
  }
  ResourceItem bus{};
  bus.Type = ItemBus;
  bus.Value0 = PciBusType;
  bus.Value1 = slot->Bus;
  bus.Value2 = slot->Slot;
  bus.Value4 = slot->Function;
  AddItem(card, bus, name);
  return true;
}

std::optional<PciAddress> LocationOf(const CardResources& card) {
  for (std::uint32_t i = 0; i < ItemsIn(card); ++i) {
    const ResourceItem& item = card.Items[i];
    if (item.Type != ItemBus || item.Value0 != PciBusType) continue;
    return AddressOf(PciSlot{item.Value1, static_cast<std::uint32_t>(item.Value2), item.Value4});
  }
  return std::nullopt;
}

}  // namespace lineio::platform::linuxpci
