// A PCI function bound to vfio-pci, opened through VFIO's container and group
// interface (the one that kernel 6.1 offers and later kernels keep): a
// container (<dev>/vfio/vfio) with the type 1 IOMMU, the function's group
// (<dev>/vfio/N) attached to it, and the device descriptor that the group
// hands out for the function. The group opens only once at a time, in the
// whole system: holding it is the card's lock. Its regions (the base address
// registers and the configuration space) are read, written and mapped
// through the device descriptor. Releasing the object closes all three.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/vfio_regions.h"

namespace lineio::platform::linuxpci {

class VfioDevice {
 public:
  enum class OpenEnd {
    Opened,
    Held,     // another registration holds the group: no line, the library says "already in use"
    Refused,  // with a line on standard error saying why
  };

  // Opens the function `name` in `functionDirectory` through the group that
  // its `iommu_group` link names, under `devRoot`.
  static std::unique_ptr<VfioDevice> Open(const std::string& functionDirectory, const std::string& devRoot,
                                          const std::string& name, OpenEnd& end);
  ~VfioDevice();
  VfioDevice(const VfioDevice&) = delete;
  VfioDevice& operator=(const VfioDevice&) = delete;

  // The device descriptor; -1 once released.
  int Fd() const { return released_.load() ? -1 : device_; }
  const std::string& Name() const { return name_; }
  // Region `index` (0-5 the base address registers); nothing when the device
  // has no such region.
  std::optional<VfioRegion> Region(std::uint32_t index) const;
  // `count` bytes (1, 2 or 4) of the configuration space at `offset`; false,
  // with errno set, when the kernel moves fewer.
  bool ReadConfig(std::uint32_t offset, void* bytes, std::uint32_t count) const;
  bool WriteConfig(std::uint32_t offset, const void* bytes, std::uint32_t count) const;
  // Whether the device has interrupt `index` (VFIO_PCI_*_IRQ_INDEX) and can
  // signal it on an eventfd.
  bool HasIrq(std::uint32_t index) const;
  // VFIO_DEVICE_SET_IRQS on the first interrupt of `index`: `action`
  // (VFIO_IRQ_SET_ACTION_*) with the eventfd `eventFd`, or with no data when
  // it is -1; `count` 0 takes the trigger away.
  bool SetIrq(std::uint32_t index, std::uint32_t action, int eventFd, std::uint32_t count) const;
  // Lets the device, its group and the container go now (the kernel waits
  // for that to unbind the device); every later access fails with EBADF,
  // also one that another thread began with the descriptor it had read
  // before: the number stays taken, on nothing, until the object goes
  // (retired_descriptor.h).
  void Release();

 private:
  VfioDevice(int container, int group, int device, std::string name, std::vector<VfioRegion> regions);

  int container_;
  int group_;
  const int device_;
  std::atomic<bool> released_{false};
  bool numberTaken_ = true;  // device_ is still open (on the device, or on nothing once released)
  const std::string name_;
  const std::vector<VfioRegion> regions_;
};

}  // namespace lineio::platform::linuxpci
