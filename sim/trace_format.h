// The text form of a register access, as the bus analyser and the demo print
// it: "W 0314 04" (direction, offset in 4 hex digits, value in as many digits
// as the access is wide).
#pragma once

#include <string>

#include "sim/register_access.h"

namespace lineio::sim {

std::string FormatAccess(const RegisterAccess& access);

}  // namespace lineio::sim
