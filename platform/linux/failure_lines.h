// The lines that the Linux backend writes on standard error when it refuses a
// request or leaves something out. The library's own messages go to standard
// output and say only what failed; these say why, and what to do about it.
// Each line is also noted, with its reason, for the board layer to take
// (platform/driver_failure.h), so that a host can ask why an open failed.
#pragma once

#include <string>

#include "driver/failure_reasons.h"

namespace lineio::platform::linuxpci {

// One line, "lineio: " followed by the text formatted as printf does, noted
// with the reason given (Other for a line that names none).
void ReportFailure(const char* format, ...) __attribute__((format(printf, 1, 2)));
void ReportFailureWith(FailureReason reason, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Why a file of the PCI tree could not be opened, with what to do about it:
// permissions (run as root or install the udev rule), lockdown, a function
// that is gone, or the system's own text for anything else.
std::string OpenFailureReason(int error);
// The same as a code: Permission, Lockdown, FunctionGone or Other.
FailureReason ReasonOfError(int error);

}  // namespace lineio::platform::linuxpci
