// The lines that the Linux backend writes on standard error when it refuses a
// request or leaves something out. The library's own messages go to standard
// output and say only what failed; these say why, and what to do about it.
#pragma once

#include <string>

namespace lineio::platform::linuxpci {

// One line, "lineio: " followed by the text formatted as printf does.
void ReportFailure(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Why a file of the PCI tree could not be opened, with what to do about it:
// permissions (run as root or install the udev rule), lockdown, a function
// that is gone, or the system's own text for anything else.
std::string OpenFailureReason(int error);

}  // namespace lineio::platform::linuxpci
