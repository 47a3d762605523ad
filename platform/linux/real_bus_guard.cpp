#include "platform/linux/real_bus_guard.h"

#include <atomic>

#include "platform/linux/failure_lines.h"
#include "platform/linux/sysfs_files.h"

namespace lineio::platform::linuxpci {

namespace {
std::atomic<bool> realBusRefused{false};
}  // namespace

void RefuseRealBus() { realBusRefused.store(true); }

bool RefusedOnRealBus(const std::string& directory, const char* what) {
  if (!realBusRefused.load() || !IsOnSysfs(directory)) return false;
  ReportFailure("%s of %s refused: this test build never touches the machine's real PCI bus", what,
                directory.c_str());
  return true;
}

}  // namespace lineio::platform::linuxpci
