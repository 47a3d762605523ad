// Runs one export a given number of times on a board of a memory or an I/O
// range, with every wait ending at once: the program that
// count_instructions.sh runs under callgrind to count the instructions an
// operation takes, with the library as shipped and built without its trace.
// Instruction counts do not vary from run to run as times on a shared
// machine do, so they show differences of a fraction of a percent.
//
//   bench_trace_cost_count_<board>[_notrace] OPERATION memory|io COUNT
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "bench/support/port_floors.h"
#include "bench/support/range_session.h"
#include "lineio.h"

namespace {

using namespace lineio;

using Operation = void (*)(std::uint16_t value);

struct NamedOperation {
  std::string_view Name;
  Operation Run;
};

// The exports of the timed bench (trace_cost_bench.cpp), by export name, the
// name callgrind collects in.
constexpr NamedOperation Operations[] = {
    {"PortOut", [](std::uint16_t value) { PortOut(16, value); }},
    {"PortIinp", [](std::uint16_t) { PortIinp(17); }},
    {"BitOn", [](std::uint16_t value) { BitOn(18, value & 7); }},
    {"ContDirect", [](std::uint16_t value) { ContDirect(value); }},
    {"InpB", [](std::uint16_t) { InpB(0x316); }},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s OPERATION memory|io COUNT\n", argv[0]);
    return 2;
  }
  const std::string_view name = argv[1];
  const std::string_view range = argv[2];
  const long count = std::strtol(argv[3], nullptr, 10);
  const NamedOperation* operation = nullptr;
  for (const NamedOperation& candidate : Operations) {
    if (candidate.Name == name) operation = &candidate;
  }
  if (operation == nullptr || (range != "memory" && range != "io") || count <= 0) {
    std::fprintf(stderr, "%s: unknown operation or range, or no count\n", argv[0]);
    return 2;
  }
  bench::RangeSession session(range == "memory" ? bench::Range::Memory : bench::Range::Io);
  bench::WithoutWaits noWaits;
  for (long i = 0; i < count; ++i) operation->Run(static_cast<std::uint16_t>(i));
  return 0;
}
