// The IOMMU group of a PCI function, as sysfs shows it: the function's
// `iommu_group` link ("../../../kernel/iommu_groups/7") names the group, whose
// `devices/` directory lists every function of the group. VFIO hands out a
// group only when it is viable: every function in it is bound to vfio-pci, to
// a driver that leaves the device alone (pci-stub, the PCIe port driver), or
// to none.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lineio::platform::linuxpci {

// The kernel driver that lets user space own a device behind an IOMMU.
inline constexpr char VfioDriver[] = "vfio-pci";

// The group number that the target of an `iommu_group` link names: its last
// part, a decimal number. Nothing for any other text.
std::optional<std::uint32_t> GroupNumberOfLink(std::string_view target);

// The group of the function in `functionDirectory`; nothing when it has no
// `iommu_group` link (no IOMMU, or a tree that lacks it) or the link leads
// nowhere.
std::optional<std::uint32_t> GroupOfFunction(const std::string& functionDirectory);

struct GroupMember {
  std::string Name;    // "0000:00:05.1"
  std::string Driver;  // empty when it is bound to none
};

// The functions of the group of the function in `functionDirectory`, sorted
// by name, from its `iommu_group/devices/` directory.
std::vector<GroupMember> GroupMembers(const std::string& functionDirectory);

// Whether a member keeps the group from being viable: it is bound to a
// driver that drives the device itself.
bool BlocksGroup(const GroupMember& member);

// What to say when the group of `function` is not viable: the group, the
// functions that keep it so with their drivers, and what to do.
std::string NotViableText(const std::string& function, std::uint32_t group,
                          const std::vector<GroupMember>& members);

}  // namespace lineio::platform::linuxpci
