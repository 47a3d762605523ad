#include "platform/linux/sysfs_roots.h"

#include <cstdlib>

namespace lineio::platform::linuxpci {

namespace {

std::string FromEnvironment(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  return value != nullptr && value[0] != '\0' ? value : fallback;
}

}  // namespace

Roots RootsFromEnvironment() {
  return Roots{FromEnvironment(SysfsRootVariable, DefaultSysfsRoot),
               FromEnvironment(DevRootVariable, DefaultDevRoot)};
}

std::string DevicesDirectory(const Roots& roots) { return roots.Sysfs + "/bus/pci/devices"; }

}  // namespace lineio::platform::linuxpci
