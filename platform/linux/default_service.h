// The process's driver device on Linux when no other DriverService is
// installed: one LinuxPciService on the roots that the environment gives at
// the first open (sysfs_roots.h). It lives until the library is unloaded or
// the process ends.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace lineio::platform::linuxpci {

OsHandle OpenDefaultDevice();
bool DefaultDeviceRequest(OsHandle handle, std::uint32_t code, void* record, std::uint32_t size);
bool CloseDefaultDevice(OsHandle handle);

}  // namespace lineio::platform::linuxpci
