// What the trace costs the port operations. Built twice: with the library as
// shipped (trace off; and /trace: on, to /dev/null) and with the library
// built without the trace code (LINEIO_NO_TRACE). Off must be within 1% of
// the build without it.
//
// Each operation runs as a host runs it, with the waits that PortInit
// calibrated (waits:1: each lasts at least its nominal time, in both builds
// alike), and with every wait ending at once (waits:0, bench::WithoutWaits),
// which leaves its register accesses alone: the part that the trace's hooks
// touch.
// Both kinds of range: memory (a store or load per access, the cheapest there
// is) and I/O (one request to the in-process simulated driver per access).
#include <benchmark/benchmark.h>

#include <optional>

#include "bench/support/port_floors.h"
#include "bench/support/range_session.h"
#include "board/trace_hooks.h"
#include "lineio.h"

namespace {

using namespace lineio;

using bench::Range;
using bench::RangeSession;

// Runs the operation on a board of that range, with a trace to /dev/null
// when `traced` (only where the library has the trace).
template <typename Operation>
void Measure(benchmark::State& state, Operation operation) {
  const auto range = static_cast<Range>(state.range(0));
  const bool traced = state.range(1) != 0;
  const bool waits = state.range(2) != 0;
  if (traced && LineioTrace("/dev/null") == 0) {
    state.SkipWithError("this build has no trace");
    return;
  }
  {
    RangeSession session(range);
    std::optional<bench::WithoutWaits> noWaits;
    if (!waits) noWaits.emplace();
    std::uint16_t value = 0;
    for (auto _ : state) operation(value++);
  }
  if (traced) LineioTrace(nullptr);
  state.SetLabel(range == Range::Memory ? "memory" : "io");
}

void BM_PortOut(benchmark::State& state) {
  Measure(state, [](std::uint16_t value) { benchmark::DoNotOptimize(PortOut(16, value)); });
}

void BM_PortIinp(benchmark::State& state) {
  Measure(state, [](std::uint16_t) { benchmark::DoNotOptimize(PortIinp(17)); });
}

void BM_BitOn(benchmark::State& state) {
  Measure(state, [](std::uint16_t value) { benchmark::DoNotOptimize(BitOn(18, value & 7)); });
}

void BM_ContDirect(benchmark::State& state) {
  Measure(state, [](std::uint16_t value) { ContDirect(value); });
}

void BM_InpB(benchmark::State& state) {
  Measure(state, [](std::uint16_t) { benchmark::DoNotOptimize(InpB(0x316)); });
}

// {range, traced, waits}
void Ranges(benchmark::internal::Benchmark* bench) {
  bench->ArgNames({"io", "trace", "waits"});
  for (const int waits : {0, 1}) {
    for (const int traced : {0, 1}) {
      if (traced != 0 && !TraceBuilt) continue;
      for (const Range range : {Range::Memory, Range::Io})
        bench->Args({static_cast<int>(range), traced, waits});
    }
  }
}

BENCHMARK(BM_PortOut)->Apply(Ranges);
BENCHMARK(BM_PortIinp)->Apply(Ranges);
BENCHMARK(BM_BitOn)->Apply(Ranges);
BENCHMARK(BM_ContDirect)->Apply(Ranges);
BENCHMARK(BM_InpB)->Apply(Ranges);

}  // namespace
