// How long ContRelay, ContLevel and ExchgLine really take after a real
// calibration, against their nominal times (31, 54 and 92 ms: 3140, 5420 and
// 9220 x DelayCount loop passes). The board is the simulated Kestrel board of
// the default bus, so each port write costs what the simulated driver costs.
// Each sample is one call; the counters give the median and spread as a
// fraction of the nominal time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

#include "board/process_state.h"
#include "lineio.h"
#include "sim/default_bus.h"
#include "sim/sim_bus.h"
#include "sim/simulated_driver.h"

namespace {

using Clock = std::chrono::steady_clock;

// The simulated bus with the driver installed and the board opened by
// PortInit, which calibrates DelayCount with the real clock.
class OpenBoard {
 public:
  OpenBoard() {
    lineio::sim::PopulateDefaultBus(bus_);
    driver_.Install();
    PortInit(0);
  }
  ~OpenBoard() {
    PortEnd();
    driver_.Uninstall();
  }
  OpenBoard(const OpenBoard&) = delete;
  OpenBoard& operator=(const OpenBoard&) = delete;

  // The trace grows with every access; a long benchmark must not keep it.
  void ForgetTrace() { driver_.ClearTrace(); }

 private:
  lineio::sim::SimBus bus_;
  lineio::sim::SimulatedDriver driver_{bus_};
};

void MeasureControl(benchmark::State& state, double nominalMs, const std::function<void()>& control) {
  OpenBoard board;
  std::vector<double> samples;
  for (auto _ : state) {
    const auto start = Clock::now();
    control();
    const auto end = Clock::now();
    samples.push_back(std::chrono::duration<double, std::milli>(end - start).count() / nominalMs);
    state.PauseTiming();
    board.ForgetTrace();
    state.ResumeTiming();
  }
  std::sort(samples.begin(), samples.end());
  state.counters["DelayCount"] = lineio::processState.Ports.DelayCount;
  state.counters["nominal_ms"] = nominalMs;
  state.counters["median"] = samples[samples.size() / 2];
  state.counters["min"] = samples.front();
  state.counters["max"] = samples.back();
}

void BM_ContRelay(benchmark::State& state) {
  MeasureControl(state, 31.4, [] { ContRelay(0x8421); });
}
void BM_ContLevel(benchmark::State& state) {
  MeasureControl(state, 54.2, [] { ContLevel(0x2A15); });
}
void BM_ExchgLine(benchmark::State& state) {
  MeasureControl(state, 92.2, [] { ExchgLine(1, "A5123489AB"); });
}

BENCHMARK(BM_ContRelay)->Iterations(30)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ContLevel)->Iterations(20)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ExchgLine)->Iterations(12)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
