// The trace file's choice of path and its writing, over the few calls that
// differ between the systems (posix_trace_output.cpp, windows_trace_output.cpp).
#include "platform/trace_output.h"

#include <cerrno>
#include <cstdio>

namespace lineio::platform {

namespace {
constexpr std::size_t ProcessSuffixBytes = 16;  // "." and a process id
}  // namespace

bool OpenTraceOutput(const char* path, TraceOutput& output, int& error) {
  output = TraceOutput{};
  if (std::string(path) == "stderr") {
    output.Fd = os::StandardErrorFd;
    output.Path = "stderr";
    return true;
  }
  std::string chosen = path;
  bool taken = false;
  int fd = os::OpenTraceFile(chosen, taken, error);
  if (fd < 0 && taken) {
    // snprintf, not "." + std::to_string: GCC 12 at -O3 warns of an overlap
    // in the concatenation that cannot happen (-Wrestrict).
    char suffix[ProcessSuffixBytes];
    std::snprintf(suffix, sizeof suffix, ".%d", os::ProcessId());
    chosen += suffix;
    fd = os::OpenTraceFile(chosen, taken, error);
  }
  if (fd < 0) return false;
  output.Fd = fd;
  output.Owned = true;
  output.Path = chosen;
  return true;
}

bool WriteTraceOutput(const TraceOutput& output, const char* data, std::size_t size, int& error) {
  while (size > 0) {
    const long written = os::WriteTraceBytes(output.Fd, data, size, error);
    if (written < 0) return false;
    if (written == 0) {
      error = ENOSPC;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

void CloseTraceOutput(TraceOutput& output) {
  if (output.Owned && output.Fd >= 0) os::CloseTraceFile(output.Fd);
  output = TraceOutput{};
}

}  // namespace lineio::platform
