#include "platform/linux/vfio_group.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdlib>

#include "platform/linux/sysfs_files.h"

namespace lineio::platform::linuxpci {

namespace {

// Drivers under which a function does not stand in the way of its group.
constexpr std::string_view HarmlessDrivers[] = {VfioDriver, "pci-stub", "pcieport"};

constexpr std::size_t LinkBytes = 4096;

std::optional<std::string> LinkTarget(const std::string& path) {
  char target[LinkBytes];
  const ssize_t length = readlink(path.c_str(), target, sizeof target);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target) return std::nullopt;
  return std::string(target, static_cast<std::size_t>(length));
}

}  // namespace

std::optional<std::uint32_t> GroupNumberOfLink(std::string_view target) {
  while (!target.empty() && target.back() == '/') target.remove_suffix(1);
  const std::size_t slash = target.rfind('/');
  const std::string_view last = slash == std::string_view::npos ? target : target.substr(slash + 1);
  if (last.empty() || !std::all_of(last.begin(), last.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  std::uint32_t group = 0;
  const auto [end, error] = std::from_chars(last.data(), last.data() + last.size(), group);
  if (error != std::errc() || end != last.data() + last.size()) return std::nullopt;
  return group;
}

// The link is followed to its end: a tree may link to the function's own
// link rather than to the group.
std::optional<std::uint32_t> GroupOfFunction(const std::string& functionDirectory) {
  const std::string link = functionDirectory + "/iommu_group";
  char target[PATH_MAX];
  if (LinkTarget(link) == std::nullopt || realpath(link.c_str(), target) == nullptr) return std::nullopt;
  return GroupNumberOfLink(target);
}

std::vector<GroupMember> GroupMembers(const std::string& functionDirectory) {
  std::vector<GroupMember> members;
  const std::string devices = functionDirectory + "/iommu_group/devices";
  DIR* directory = opendir(devices.c_str());
  if (directory == nullptr) return members;
  while (const dirent* entry = readdir(directory)) {
    if (entry->d_name[0] == '.') continue;
    GroupMember member{entry->d_name, ""};
    member.Driver = LinkTargetName(devices + "/" + member.Name + "/driver").value_or("");
    members.push_back(std::move(member));
  }
  closedir(directory);
  std::sort(members.begin(), members.end(),
            [](const GroupMember& a, const GroupMember& b) { return a.Name < b.Name; });
  return members;
}

bool BlocksGroup(const GroupMember& member) {
  return !member.Driver.empty() && std::find(std::begin(HarmlessDrivers), std::end(HarmlessDrivers),
                                             member.Driver) == std::end(HarmlessDrivers);
}

std::string NotViableText(const std::string& function, std::uint32_t group,
                          const std::vector<GroupMember>& members) {
  std::string blockers;
  for (const GroupMember& member : members) {
    if (!BlocksGroup(member)) continue;
    if (!blockers.empty()) blockers += ", ";
    blockers += member.Name + " (" + member.Driver + ")";
  }
  if (blockers.empty()) blockers = "a function of the group that the kernel still holds";
  return "IOMMU group " + std::to_string(group) + " of " + function + " is not viable: it also holds " +
         blockers + "; unbind " +
         "those from their drivers or bind them to vfio-pci too (see README, \"Boards behind an IOMMU: "
         "vfio-pci\")";
}

}  // namespace lineio::platform::linuxpci
