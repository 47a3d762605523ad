// lineio-trace-vcd: converts a trace file (LINEIO_TRACE) into a Value Change
// Dump that GTKWave and PulseView open.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "tools/vcd/trace_to_vcd.h"
#include "tools/version.h"

namespace {

constexpr char Program[] = "lineio-trace-vcd";
constexpr int ExitOk = 0;
constexpr int ExitBadTrace = 1;
constexpr int ExitUsage = 2;

int Usage() {
  std::fprintf(stderr, "usage: %s TRACE VCD\n       %s --version\n", Program, Program);
  return ExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    lineio::tools::PrintVersion(Program);
    return ExitOk;
  }
  if (argc != 3) return Usage();
  std::ifstream trace(argv[1], std::ios::binary);
  if (!trace) {
    std::fprintf(stderr, "%s: cannot read %s: %s\n", Program, argv[1], std::strerror(errno));
    return ExitUsage;
  }
  std::ofstream vcd(argv[2], std::ios::binary);
  if (!vcd) {
    std::fprintf(stderr, "%s: cannot write %s: %s\n", Program, argv[2], std::strerror(errno));
    return ExitUsage;
  }
  const lineio::vcd::ConversionError error = lineio::vcd::ConvertTrace(trace, vcd);
  vcd.close();
  if (error.Line != 0) {
    std::fprintf(stderr, "%s: %s, line %d: %s\n", Program, argv[1], error.Line, error.Reason.c_str());
    std::remove(argv[2]);
    return ExitBadTrace;
  }
  if (vcd.fail()) {
    std::fprintf(stderr, "%s: cannot write %s\n", Program, argv[2]);
    return ExitUsage;
  }
  return ExitOk;
}
