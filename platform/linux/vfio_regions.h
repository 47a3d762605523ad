// How a range of a card bound to vfio-pci is reached: each base address
// register is a region of the device descriptor, at an offset that the kernel
// gives (VFIO_DEVICE_GET_REGION_INFO). A memory range is mapped when its
// region allows it; an I/O range, and a memory range whose region does not
// allow mapping, is read and written with pread and pwrite at the region's
// offset plus the register's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace lineio::platform::linuxpci {

// What the kernel says of one region of the device descriptor.
struct VfioRegion {
  std::uint64_t Offset = 0;  // where the region starts in the descriptor
  std::uint64_t Size = 0;
  std::uint32_t Flags = 0;  // VFIO_REGION_INFO_FLAG_*
};

enum class RangeAccess { Mapped, ReadWrite };

struct RangePlan {
  RangeAccess Access;
  std::uint64_t FileOffset;  // the region's offset in the descriptor
};

// How to reach a range of `length` bytes (an I/O range when `io`) through
// its region; nothing, with the reason in `why`, when the region is smaller
// than the range or cannot be both read and written.
std::optional<RangePlan> PlanRange(const VfioRegion& region, bool io, std::uint32_t length, std::string& why);

}  // namespace lineio::platform::linuxpci
