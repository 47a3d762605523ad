#include "platform/linux/real_bus_guard.h"

#include <atomic>

#include "platform/linux/failure_lines.h"
#include "platform/linux/resource_file.h"
#include "platform/linux/sysfs_files.h"

namespace lineio::platform::linuxpci {

namespace {

std::atomic<bool> realBusRefused{false};

constexpr char CommandLinePath[] = "/proc/cmdline";
constexpr std::size_t CommandLineBytes = 4096;
constexpr char Blanks[] = " \t\n";

// The function's directory and the files through which its registers are
// reached (and its IOMMU group, through which VFIO reaches them). statfs
// follows symbolic links, so a tree of ordinary files whose entries lead into
// sysfs counts as the real bus.
bool ReachesSysfs(const std::string& directory) {
  if (IsOnSysfs(directory) || IsOnSysfs(directory + "/config") || IsOnSysfs(directory + "/iommu_group"))
    return true;
  for (std::size_t bar = 0; bar < BarLines; ++bar) {
    if (IsOnSysfs(directory + "/resource" + std::to_string(bar))) return true;
  }
  return false;
}

}  // namespace

void RefuseRealBus() { realBusRefused.store(true); }

bool RefusedOnRealBus(const std::string& directory, const char* what) {
  if (!realBusRefused.load() || !ReachesSysfs(directory) || IsKernelLabGuest()) return false;
  ReportFailure("%s of %s refused: this test build never touches the machine's real PCI bus", what,
                directory.c_str());
  return true;
}

bool HasKernelLabMarker(std::string_view commandLine) {
  for (std::size_t start = commandLine.find_first_not_of(Blanks); start != std::string_view::npos;) {
    const std::size_t end = commandLine.find_first_of(Blanks, start);
    if (commandLine.substr(start, end - start) == KernelLabMarker) return true;
    if (end == std::string_view::npos) break;
    start = commandLine.find_first_not_of(Blanks, end);
  }
  return false;
}

bool IsKernelLabGuest() {
  static const bool Guest = [] {
    int error = 0;
    const std::optional<std::string> commandLine = ReadSmallFile(CommandLinePath, CommandLineBytes, error);
    return commandLine && HasKernelLabMarker(*commandLine);
  }();
  return Guest;
}

}  // namespace lineio::platform::linuxpci
