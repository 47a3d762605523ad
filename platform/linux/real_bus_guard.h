// A test build must never register a card of the machine's real PCI bus, map
// its registers or write its configuration: the machine's devices are live.
// Test programs call RefuseRealBus before anything else; from then on the
// backend refuses those requests for every function whose directory, or one
// of whose register files (also through a symbolic link), lies on the kernel's
// sysfs, and serves them only on trees of ordinary files. Listing the real
// bus and reading its identity, resources and configuration stay allowed.
//
// The one exception is the kernel lab's guest (tests/kernel): a QEMU machine
// whose every PCI function is emulated, booted with KernelLabMarker on its
// kernel command line. Only the command line that the kernel was booted with
// says so (/proc/cmdline): no switch or variable of a run on this machine can.
#pragma once

#include <string>
#include <string_view>

namespace lineio::platform::linuxpci {

inline constexpr char KernelLabMarker[] = "lineio.kernel_lab=1";

void RefuseRealBus();
// Whether a request that would touch the function in `directory` must be
// refused: the process refuses the real bus, the function's directory or its
// `config` or `resourceN` files are on sysfs, and this is not the kernel
// lab's guest. Says so on standard error, naming what was refused.
bool RefusedOnRealBus(const std::string& directory, const char* what);

// Whether a kernel command line holds KernelLabMarker as one of its words.
bool HasKernelLabMarker(std::string_view commandLine);
// Whether this kernel was booted as the kernel lab's guest (read once).
bool IsKernelLabGuest();

}  // namespace lineio::platform::linuxpci
