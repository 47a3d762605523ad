#include "sim/trace_format.h"

#include "tracing/line_format.h"

namespace lineio::sim {

std::string FormatAccess(const RegisterAccess& access) {
  char text[LineBytes];
  FormatAccessLine(text, sizeof text, access.Direction == AccessDirection::Write ? 'W' : 'R', access.Offset,
                   access.Width, access.Value);
  return text;
}

}  // namespace lineio::sim
