// The cost of InpB/OutB: through a memory space (a direct load or store
// behind the current-board test) against a plain volatile access, and through
// an I/O space of the in-process simulated driver (one request each).
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/support/range_session.h"
#include "board/board.h"
#include "lineio.h"
#include "platform/overrides.h"
#include "portio/board_description.h"
#include "sim/default_bus.h"
#include "sim/simulated_driver.h"

namespace {

using namespace lineio;

using bench::Range;
using Session = bench::RangeSession;

void BM_VolatileLoad(benchmark::State& state) {
  static std::uint8_t memory[0x1000];
  volatile std::uint8_t* reg = memory + 0x310;
  for (auto _ : state) benchmark::DoNotOptimize(*reg);
}

void BM_VolatileStore(benchmark::State& state) {
  static std::uint8_t memory[0x1000];
  volatile std::uint8_t* reg = memory + 0x310;
  std::uint8_t value = 0;
  for (auto _ : state) *reg = value++;
}

// The same accesses behind a call that the compiler cannot inline: the least
// that reaching a register through any exported function costs a host.
__attribute__((noinline)) std::uint8_t CalledLoad(volatile std::uint8_t* reg) { return *reg; }
__attribute__((noinline)) void CalledStore(volatile std::uint8_t* reg, std::uint8_t value) { *reg = value; }

void BM_CalledVolatileLoad(benchmark::State& state) {
  static std::uint8_t memory[0x1000];
  volatile std::uint8_t* reg = memory + 0x310;
  for (auto _ : state) benchmark::DoNotOptimize(CalledLoad(reg));
}

void BM_CalledVolatileStore(benchmark::State& state) {
  static std::uint8_t memory[0x1000];
  volatile std::uint8_t* reg = memory + 0x310;
  std::uint8_t value = 0;
  for (auto _ : state) CalledStore(reg, value++);
}

void BM_InpB_Memory(benchmark::State& state) {
  Session session(Range::Memory);
  for (auto _ : state) benchmark::DoNotOptimize(InpB(0x310));
}

void BM_OutB_Memory(benchmark::State& state) {
  Session session(Range::Memory);
  std::uint16_t value = 0;
  for (auto _ : state) OutB(0x310, value++);
}

void BM_InpB_Io(benchmark::State& state) {
  Session session(Range::Io);
  for (auto _ : state) benchmark::DoNotOptimize(InpB(0x310));
}

void BM_OutB_Io(benchmark::State& state) {
  Session session(Range::Io);
  std::uint16_t value = 0;
  for (auto _ : state) OutB(0x310, value++);
}

BENCHMARK(BM_VolatileLoad);
BENCHMARK(BM_CalledVolatileLoad);
BENCHMARK(BM_InpB_Memory);
BENCHMARK(BM_VolatileStore);
BENCHMARK(BM_CalledVolatileStore);
BENCHMARK(BM_OutB_Memory);
BENCHMARK(BM_InpB_Io);
BENCHMARK(BM_OutB_Io);

}  // namespace
