// The bus that the driver device reports, in the format of `lspci -x`: each
// card's location, class and identifiers, and the first 64 bytes of its
// configuration space, read through configuration requests (reads only).
#pragma once

namespace lineio::pcidiag {

// Prints the dump on standard output; false when the driver cannot be opened.
bool DumpDriverBus();

}  // namespace lineio::pcidiag
