#include "sim/trace_format.h"

#include <cstdio>

namespace lineio::sim {

std::string FormatAccess(const RegisterAccess& access) {
  char text[32];
  std::snprintf(text, sizeof text, "%c %04x %0*x", access.Direction == AccessDirection::Write ? 'W' : 'R',
                static_cast<unsigned>(access.Offset), 2 * access.Width, static_cast<unsigned>(access.Value));
  return text;
}

}  // namespace lineio::sim
