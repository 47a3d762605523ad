// Where the backend finds the kernel's trees. LINEIO_SYSFS_ROOT stands in for
// /sys (the functions are then under $LINEIO_SYSFS_ROOT/bus/pci/devices) and
// LINEIO_DEV_ROOT for /dev (where /dev/uioN lives), for tests on trees of
// ordinary files and for systems that mount them elsewhere. Both are read
// once, at the first open of the driver device; an empty value counts as
// unset.
#pragma once

#include <string>

namespace lineio::platform::linuxpci {

inline constexpr char SysfsRootVariable[] = "LINEIO_SYSFS_ROOT";
inline constexpr char DevRootVariable[] = "LINEIO_DEV_ROOT";
inline constexpr char DefaultSysfsRoot[] = "/sys";
inline constexpr char DefaultDevRoot[] = "/dev";

struct Roots {
  std::string Sysfs = DefaultSysfsRoot;
  std::string Dev = DefaultDevRoot;
};

Roots RootsFromEnvironment();
// The directory of the PCI functions: <sysfs root>/bus/pci/devices.
std::string DevicesDirectory(const Roots& roots);

}  // namespace lineio::platform::linuxpci
