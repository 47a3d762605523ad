#include "platform/linux/vfio_regions.h"

#include <linux/vfio.h>

namespace lineio::platform::linuxpci {

std::optional<RangePlan> PlanRange(const VfioRegion& region, bool io, std::uint32_t length,
                                   std::string& why) {
  constexpr std::uint32_t ReadWrite = VFIO_REGION_INFO_FLAG_READ | VFIO_REGION_INFO_FLAG_WRITE;
  if (region.Size < length) {
    why = "its region holds " + std::to_string(region.Size) + " bytes, fewer than the range's " +
          std::to_string(length);
    return std::nullopt;
  }
  if ((region.Flags & ReadWrite) != ReadWrite) {
    why = "the kernel does not let its region be both read and written";
    return std::nullopt;
  }
  const bool mappable = !io && (region.Flags & VFIO_REGION_INFO_FLAG_MMAP) != 0;
  return RangePlan{mappable ? RangeAccess::Mapped : RangeAccess::ReadWrite, region.Offset};
}

}  // namespace lineio::platform::linuxpci
