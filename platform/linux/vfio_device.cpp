#include "platform/linux/vfio_device.h"

#include <fcntl.h>
#include <linux/vfio.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/linux/failure_lines.h"
#include "platform/linux/retired_descriptor.h"
#include "platform/linux/vfio_group.h"

namespace lineio::platform::linuxpci {

namespace {

// The descriptors opened so far, closed again unless the open gets through.
struct Descriptors {
  int Container = -1;
  int Group = -1;
  int Device = -1;
  ~Descriptors() {
    for (const int fd : {Device, Group, Container}) {
      if (fd >= 0) close(fd);
    }
  }
};

int OpenVfioNode(const std::string& path) { return open(path.c_str(), O_RDWR | O_CLOEXEC); }

void ReportOpenFailure(const std::string& path, int error) {
  if (error == ENOENT) {
    ReportFailureWith(FailureReason::Binding,
                      "cannot open %s: no such file: load vfio-pci and bind the card to it (see README, "
                      "\"Boards behind an IOMMU: vfio-pci\")",
                      path.c_str());
    return;
  }
  ReportFailureWith(ReasonOfError(error), "cannot open %s: %s", path.c_str(),
                    error == EACCES ? "permission denied: run as root, or install the udev rule "
                                      "platform/linux/60-lineio.rules and join its group (see README, "
                                      "\"Boards behind an IOMMU: vfio-pci\")"
                                    : OpenFailureReason(error).c_str());
}

// The container with the type 1 IOMMU that the group is attached to.
bool OpenContainer(const std::string& devRoot, Descriptors& fds) {
  const std::string path = devRoot + "/vfio/vfio";
  fds.Container = OpenVfioNode(path);
  if (fds.Container < 0) {
    ReportOpenFailure(path, errno);
    return false;
  }
  if (ioctl(fds.Container, VFIO_GET_API_VERSION) != VFIO_API_VERSION) {
    ReportFailure("%s is not a VFIO container of the version this library knows", path.c_str());
    return false;
  }
  if (ioctl(fds.Container, VFIO_CHECK_EXTENSION, VFIO_TYPE1v2_IOMMU) <= 0) {
    ReportFailure("%s offers no type 1 IOMMU (is the IOMMU on, and vfio_iommu_type1 loaded?)", path.c_str());
    return false;
  }
  return true;
}

// Opens the group and checks that it is viable; `end` Held when another
// registration has it open.
bool OpenGroup(const std::string& functionDirectory, const std::string& devRoot, const std::string& name,
               Descriptors& fds, VfioDevice::OpenEnd& end) {
  const std::optional<std::uint32_t> group = GroupOfFunction(functionDirectory);
  if (!group) {
    ReportFailureWith(FailureReason::Binding,
                      "%s is bound to vfio-pci but belongs to no IOMMU group: turn the IOMMU on "
                      "(intel_iommu=on or amd_iommu=on on the kernel command line)",
                      name.c_str());
    return false;
  }
  const std::string path = devRoot + "/vfio/" + std::to_string(*group);
  fds.Group = OpenVfioNode(path);
  if (fds.Group < 0) {
    if (errno == EBUSY) {
      end = VfioDevice::OpenEnd::Held;
      return false;
    }
    ReportOpenFailure(path, errno);
    return false;
  }
  vfio_group_status status{};
  status.argsz = sizeof status;
  if (ioctl(fds.Group, VFIO_GROUP_GET_STATUS, &status) != 0) {
    ReportFailure("%s is not a VFIO group: %s", path.c_str(), std::strerror(errno));
    return false;
  }
  if ((status.flags & VFIO_GROUP_FLAGS_VIABLE) == 0) {
    ReportFailureWith(FailureReason::Binding, "%s",
                      NotViableText(name, *group, GroupMembers(functionDirectory)).c_str());
    return false;
  }
  return true;
}

bool AttachGroup(const std::string& name, Descriptors& fds) {
  int container = fds.Container;
  if (ioctl(fds.Group, VFIO_GROUP_SET_CONTAINER, &container) != 0 ||
      ioctl(fds.Container, VFIO_SET_IOMMU, VFIO_TYPE1v2_IOMMU) != 0) {
    ReportFailure("cannot attach the IOMMU group of %s to a VFIO container: %s", name.c_str(),
                  std::strerror(errno));
    return false;
  }
  return true;
}

bool OpenDevice(const std::string& name, Descriptors& fds) {
  fds.Device = ioctl(fds.Group, VFIO_GROUP_GET_DEVICE_FD, name.c_str());
  if (fds.Device < 0) {
    ReportFailure("the kernel refuses the VFIO device descriptor of %s: %s", name.c_str(),
                  std::strerror(errno));
    return false;
  }
  vfio_device_info info{};
  info.argsz = sizeof info;
  if (ioctl(fds.Device, VFIO_DEVICE_GET_INFO, &info) != 0 || (info.flags & VFIO_DEVICE_FLAGS_PCI) == 0 ||
      info.num_regions <= VFIO_PCI_CONFIG_REGION_INDEX) {
    ReportFailure("the VFIO device of %s is not a PCI device", name.c_str());
    return false;
  }
  return true;
}

// Regions 0 to the configuration space; a region that the kernel does not
// describe stays empty (size 0).
std::vector<VfioRegion> ReadRegions(int device) {
  std::vector<VfioRegion> regions(VFIO_PCI_CONFIG_REGION_INDEX + 1);
  for (std::uint32_t index = 0; index < regions.size(); ++index) {
    vfio_region_info info{};
    info.argsz = sizeof info;
    info.index = index;
    if (ioctl(device, VFIO_DEVICE_GET_REGION_INFO, &info) != 0) continue;
    regions[index] = VfioRegion{info.offset, info.size, info.flags};
  }
  return regions;
}

// Nothing past the end of the configuration space: the kernel would move
// nothing there.
bool Inside(const VfioRegion& config, std::uint32_t offset, std::uint32_t count) {
  if (std::uint64_t{offset} + count <= config.Size) return true;
  errno = EINVAL;
  return false;
}

bool Moved(ssize_t moved, std::uint32_t count) {
  if (moved == static_cast<ssize_t>(count)) return true;
  if (moved >= 0) errno = EIO;
  return false;
}

}  // namespace

std::unique_ptr<VfioDevice> VfioDevice::Open(const std::string& functionDirectory, const std::string& devRoot,
                                             const std::string& name, OpenEnd& end) {
  end = OpenEnd::Refused;
  Descriptors fds;
  // The group first: held by another registration, the card is refused
  // before anything else is said about it.
  if (!OpenGroup(functionDirectory, devRoot, name, fds, end) || !OpenContainer(devRoot, fds) ||
      !AttachGroup(name, fds) || !OpenDevice(name, fds)) {
    return nullptr;
  }
  std::vector<VfioRegion> regions = ReadRegions(fds.Device);
  end = OpenEnd::Opened;
  std::unique_ptr<VfioDevice> device(
      new VfioDevice(fds.Container, fds.Group, fds.Device, name, std::move(regions)));
  fds.Container = fds.Group = fds.Device = -1;
  return device;
}

VfioDevice::VfioDevice(int container, int group, int device, std::string name,
                       std::vector<VfioRegion> regions)
    : container_(container),
      group_(group),
      device_(device),
      name_(std::move(name)),
      regions_(std::move(regions)) {}

VfioDevice::~VfioDevice() {
  Release();
  if (numberTaken_) close(device_);
}

void VfioDevice::Release() {
  if (released_.exchange(true)) return;
  numberTaken_ = RetireDescriptor(device_);
  for (int* fd : {&group_, &container_}) {
    close(*fd);
    *fd = -1;
  }
}

std::optional<VfioRegion> VfioDevice::Region(std::uint32_t index) const {
  if (index >= regions_.size() || regions_[index].Size == 0) return std::nullopt;
  return regions_[index];
}

bool VfioDevice::HasIrq(std::uint32_t index) const {
  vfio_irq_info info{};
  info.argsz = sizeof info;
  info.index = index;
  return ioctl(Fd(), VFIO_DEVICE_GET_IRQ_INFO, &info) == 0 && info.count >= 1 &&
         (info.flags & VFIO_IRQ_INFO_EVENTFD) != 0;
}

bool VfioDevice::SetIrq(std::uint32_t index, std::uint32_t action, int eventFd, std::uint32_t count) const {
  // The request and its one eventfd, as the kernel reads them: the record
  // with the descriptor in its trailing data.
  alignas(vfio_irq_set) unsigned char request[sizeof(vfio_irq_set) + sizeof(std::int32_t)] = {};
  vfio_irq_set head{};
  head.argsz = eventFd >= 0 ? sizeof request : sizeof head;
  head.flags = action | (eventFd >= 0 ? VFIO_IRQ_SET_DATA_EVENTFD : VFIO_IRQ_SET_DATA_NONE);
  head.index = index;
  head.start = 0;
  head.count = count;
  const std::int32_t fd = eventFd;
  std::memcpy(request, &head, sizeof head);
  std::memcpy(request + sizeof head, &fd, sizeof fd);
  return ioctl(Fd(), VFIO_DEVICE_SET_IRQS, request) == 0;
}

bool VfioDevice::ReadConfig(std::uint32_t offset, void* bytes, std::uint32_t count) const {
  const VfioRegion& config = regions_[VFIO_PCI_CONFIG_REGION_INDEX];
  if (!Inside(config, offset, count)) return false;
  return Moved(pread(Fd(), bytes, count, static_cast<off_t>(config.Offset + offset)), count);
}

bool VfioDevice::WriteConfig(std::uint32_t offset, const void* bytes, std::uint32_t count) const {
  const VfioRegion& config = regions_[VFIO_PCI_CONFIG_REGION_INDEX];
  if (!Inside(config, offset, count)) return false;
  return Moved(pwrite(Fd(), bytes, count, static_cast<off_t>(config.Offset + offset)), count);
}

}  // namespace lineio::platform::linuxpci
