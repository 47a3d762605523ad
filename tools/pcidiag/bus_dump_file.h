// A simulated bus from a dump file in the format of `lspci -x`.
#pragma once

#include <string>

#include "sim/sim_bus.h"

namespace lineio::pcidiag {

// Builds the bus from the file. False, with a line on standard error, when
// the path is empty, not a regular file (a directory or a device such as
// /dev/zero), unreadable, not a dump, or a dump of no card at all. Ranges that
// the driver records cannot hold (64-bit memory above 4 GiB) are named on
// standard error; the bus leaves them out.
bool LoadDumpFile(const std::string& path, sim::SimBus& bus);

}  // namespace lineio::pcidiag
