// A test build must never register a card of the machine's real PCI bus, map
// its registers or write its configuration: the machine's devices are live.
// Test programs call RefuseRealBus before anything else; from then on the
// backend refuses those requests for every function that lies on the kernel's
// sysfs, and serves them only on trees of ordinary files. Listing the real
// bus and reading its identity, resources and configuration stay allowed.
#pragma once

#include <string>

namespace lineio::platform::linuxpci {

void RefuseRealBus();
// Whether a request that would touch the function in `directory` must be
// refused: the process refuses the real bus and the directory is on sysfs.
// Says so on standard error, naming what was refused.
bool RefusedOnRealBus(const std::string& directory, const char* what);

}  // namespace lineio::platform::linuxpci
