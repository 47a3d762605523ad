// Test build of the libraries only: the simulated kernel driver inside the
// library, serving the driver requests in place of the kernel driver, so that
// the whole library runs in a real Windows process without a board.
#pragma once

#include "platform/platform.h"

namespace lineio::platform {

// Creates the simulated bus and driver on the first call, installs the driver
// as the process's driver device and opens a handle on it.
OsHandle OpenEmbeddedSimulator();

}  // namespace lineio::platform
