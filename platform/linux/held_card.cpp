#include "platform/linux/held_card.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "platform/linux/card_info.h"
#include "platform/linux/failure_lines.h"
#include "platform/linux/mapping_guard.h"
#include "platform/linux/real_bus_guard.h"
#include "platform/linux/sysfs_files.h"
#include "platform/linux/vfio_device.h"
#include "platform/linux/vfio_group.h"
#include "platform/linux/vfio_request.h"

namespace lineio::platform::linuxpci {

namespace {

// The only kernel driver that lets user space own a card and its interrupt.
constexpr char UioDriver[] = "uio_pci_generic";

std::optional<std::size_t> LineOfItem(const std::vector<ResourceLine>& lines, const ResourceItem& item) {
  const std::uint64_t kind = item.Type == ItemIo ? ResourceIo : ResourceMemory;
  for (std::size_t index = 0; index <= RomLine && index < lines.size(); ++index) {
    const ResourceLine& line = lines[index];
    if (IsUsed(line) && (line.Flags & kind) != 0 && line.Start == item.Value0 &&
        LengthOf(line) == item.Value1) {
      return index;
    }
  }
  return std::nullopt;
}

// How the card is reached, by the driver it is bound to: through sysfs when
// it is bound to none or to uio_pci_generic, through VFIO when to vfio-pci.
enum class Path { Sysfs, Vfio, Refused };

Path PathOfDriver(const HeldCard& held) {
  const std::optional<std::string> driver = LinkTargetName(held.Directory + "/driver");
  if (!driver || *driver == UioDriver) return Path::Sysfs;
  if (*driver == VfioDriver) return Path::Vfio;
  ReportFailureWith(FailureReason::Binding,
                    "%s is bound to the kernel driver %s: unbind it and bind %s (see README, \"Using a real "
                    "board on Linux\")",
                    DeviceName(held.Address).c_str(), driver->c_str(), UioDriver);
  return Path::Refused;
}

// Opens the card's VFIO device; its group is the card's lock. A group that
// another registration holds is refused without a line, as a held flock is.
bool OpenVfio(HeldCard& held, const std::string& devRoot) {
  VfioDevice::OpenEnd end = VfioDevice::OpenEnd::Refused;
  held.Vfio = VfioDevice::Open(held.Directory, devRoot, DeviceName(held.Address), end);
  return held.Vfio != nullptr;
}

// Opens the configuration file and takes the card's lock on its descriptor.
// A card that another registration holds is refused without a line: the
// library says "already in use" itself.
bool LockCard(HeldCard& held) {
  const std::string path = held.Directory + "/config";
  int error = 0;
  held.ConfigFd = OpenRegularFile(path, O_RDWR, error);
  if (held.ConfigFd < 0) {
    ReportFailureWith(ReasonOfError(error), "cannot open %s: %s", path.c_str(),
                      OpenFailureReason(error).c_str());
    return false;
  }
  if (flock(held.ConfigFd, LOCK_EX | LOCK_NB) == 0) return true;
  if (errno != EWOULDBLOCK) ReportFailure("cannot lock %s: %s", path.c_str(), std::strerror(errno));
  return false;
}

// Maps a memory range. The board layer keeps every direct access inside the
// range's length, so the mapping is the range and nothing more.
bool MapRange(int fd, std::uint64_t fileOffset, HeldRange& range) {
  void* mapping =
      mmap(nullptr, range.Length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, static_cast<off_t>(fileOffset));
  if (mapping == MAP_FAILED) return false;
  range.Mapping = mapping;
  range.MappedBytes = range.Length;
  return true;
}

// A range that goes away while it is mapped must not end the host at its
// next access (platform/linux/mapping_guard.h); the line says what happened.
void GuardRange(const HeldCard& held, std::size_t index, const HeldRange& range) {
  char line[GuardLineBytes];
  std::snprintf(line, sizeof line,
                "lineio: %s: memory range 0x%x-0x%x (resource%zu) went away while the board was open (the "
                "device was removed or given to another driver): until the board is closed, its writes reach "
                "nothing and its reads give 0, or what was written since\n",
                DeviceName(held.Address).c_str(), range.Base, range.Base + (range.Length - 1), index);
  if (!GuardMapping(range.Mapping, range.MappedBytes, line)) {
    ReportFailure("%s: resource%zu is not guarded against going away (too many ranges mapped)",
                  DeviceName(held.Address).c_str(), index);
  }
}

bool OpenRange(HeldCard& held, std::size_t index, HeldRange& range) {
  const std::string path = held.Directory + "/resource" + std::to_string(index);
  const int flags = range.Io ? O_RDWR : O_RDWR | O_SYNC;
  int openError = 0;
  const int fd = OpenRegularFile(path, flags, openError);
  if (fd < 0) {
    ReportFailureWith(ReasonOfError(openError), "cannot open %s: %s", path.c_str(),
                      OpenFailureReason(openError).c_str());
    return false;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || info.st_size < static_cast<off_t>(range.Length)) {
    ReportFailure("%s holds %lld bytes, fewer than its range of %u", path.c_str(),
                  static_cast<long long>(info.st_size), range.Length);
    close(fd);
    return false;
  }
  if (range.Io) {
    range.Fd = fd;
    return true;
  }
  const bool mapped = MapRange(fd, 0, range);
  const int error = errno;
  close(fd);  // the mapping stays
  if (!mapped) {
    ReportFailureWith(error == EINVAL ? FailureReason::MapRefused : ReasonOfError(error), "cannot map %s: %s",
                      path.c_str(),
                      error == EINVAL ? "the kernel refuses (a kernel driver may own the range)"
                                      : OpenFailureReason(error).c_str());
    return false;
  }
  GuardRange(held, index, range);
  return true;
}

// The range through the VFIO device: mapped when its region allows it and the
// kernel maps it, read and written through the descriptor otherwise.
bool OpenVfioRange(const HeldCard& held, std::size_t index, HeldRange& range) {
  const std::optional<VfioRegion> region = held.Vfio->Region(static_cast<std::uint32_t>(index));
  std::string why = "the kernel describes no region for it";
  const std::optional<RangePlan> plan =
      region ? PlanRange(*region, range.Io, range.Length, why) : std::nullopt;
  if (!plan) {
    ReportFailure("%s: resource%zu cannot be reached through VFIO: %s", DeviceName(held.Address).c_str(),
                  index, why.c_str());
    return false;
  }
  range.FileOffset = plan->FileOffset;
  if (plan->Access == RangeAccess::Mapped && MapRange(held.Vfio->Fd(), plan->FileOffset, range)) {
    GuardRange(held, index, range);
    return true;
  }
  range.Fd = held.Vfio->Fd();
  range.OwnsFd = false;
  return true;
}

// Holds the range of one memory or I/O item; false when it cannot.
bool HoldItem(HeldCard& held, const std::vector<ResourceLine>& lines, ResourceItem& item) {
  const std::optional<std::size_t> index = LineOfItem(lines, item);
  const char* kind = item.Type == ItemIo ? "I/O" : "memory";
  if (!index) {
    ReportFailure("%s has no %s range 0x%x of %u bytes", DeviceName(held.Address).c_str(), kind, item.Value0,
                  item.Value1);
    return false;
  }
  if (*index == RomLine) {
    ReportFailure("%s: the expansion ROM cannot be mapped through sysfs; it is not registered",
                  DeviceName(held.Address).c_str());
    item.Type = ItemNone;
    return true;
  }
  HeldRange range;
  range.Io = item.Type == ItemIo;
  range.Base = item.Value0;
  range.Length = item.Value1;
  if (!(held.Vfio ? OpenVfioRange(held, *index, range) : OpenRange(held, *index, range))) return false;
  held.Ranges.push_back(range);
  if (range.Mapping != nullptr) {
    item.Value2 = reinterpret_cast<std::uintptr_t>(range.Mapping);
    item.Value3 = item.Value2;
  } else if (!range.Io) {
    item.Value2 = range.Base;  // reached by transfer requests at its base
    item.Value3 = 0;
  }
  return true;
}

bool HoldItems(HeldCard& held, CardResources& card, std::uint32_t interruptHandle) {
  const std::optional<std::vector<ResourceLine>> lines = ReadResourceFile(held.Directory);
  if (!lines) return false;
  for (std::uint32_t i = 0; i < ItemsIn(card); ++i) {
    ResourceItem& item = card.Items[i];
    if (item.Type == ItemInterrupt) {
      item.Value2 = interruptHandle;
      held.InterruptHandle = interruptHandle;
    } else if (item.Type == ItemMemory || item.Type == ItemIo) {
      if (!HoldItem(held, *lines, item)) return false;
    }
  }
  return true;
}

}  // namespace

HeldCard::HeldCard() = default;

HeldCard::~HeldCard() {
  ReleaseWatch.reset();  // its thread ends before anything it could touch goes
  for (const HeldRange& range : Ranges) {
    if (range.Mapping != nullptr) {
      UnguardMapping(range.Mapping);
      munmap(range.Mapping, range.MappedBytes);
    }
    if (range.Fd >= 0 && range.OwnsFd) close(range.Fd);
  }
  if (ConfigFd >= 0) close(ConfigFd);  // releases the lock
}

void LetDeviceGo(HeldCard& held) {
  if (held.Released || !held.Vfio) return;
  held.Released = true;
  ReportFailureWith(
      FailureReason::FunctionGone,
      "%s is being unbound from vfio-pci while the board is open: the library lets it go; until "
      "the board is closed its ranges reach nothing",
      DeviceName(held.Address).c_str());
  for (const HeldRange& range : held.Ranges) {
    if (range.Mapping != nullptr) LoseMapping(range.Mapping, range.MappedBytes);
  }
  held.Vfio->Release();
}

std::unique_ptr<HeldCard> HoldCard(const std::string& devicesDirectory, const std::string& devRoot,
                                   CardResources& card, std::uint32_t cardHandle,
                                   std::uint32_t interruptHandle) {
  const std::optional<PciAddress> address = LocationOf(card);
  if (!address) {
    ReportFailure("the registration names no PCI function (it has no bus item)");
    return nullptr;
  }
  auto held = std::make_unique<HeldCard>();
  held->Address = *address;
  held->Directory = FunctionDirectory(devicesDirectory, *address);
  held->CardHandle = cardHandle;
  if (RefusedOnRealBus(held->Directory, "registration")) return nullptr;
  if (access(held->Directory.c_str(), F_OK) != 0) {
    ReportFailureWith(FailureReason::FunctionGone, "%s is gone: there is no %s", DeviceName(*address).c_str(),
                      held->Directory.c_str());
    return nullptr;
  }
  const Path path = PathOfDriver(*held);
  if (path == Path::Refused) return nullptr;
  if (!(path == Path::Vfio ? OpenVfio(*held, devRoot) : LockCard(*held))) return nullptr;
  const CardResources before = card;
  if (!HoldItems(*held, card, interruptHandle)) {
    card = before;
    return nullptr;
  }
  return held;
}

}  // namespace lineio::platform::linuxpci
