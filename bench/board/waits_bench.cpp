// How long the calibrated busy waits really take on this machine: Wait10us and
// a 500 us wait (50 x DelayCount passes), after a real calibration. Each
// sample is one wait; the counters give the median and spread as a fraction of
// the nominal time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "board/process_state.h"
#include "portio/delay.h"

namespace {

using Clock = std::chrono::steady_clock;

template <typename Wait>
void MeasureWait(benchmark::State& state, double nominalUs, Wait wait) {
  lineio::processState.Ports.DelayCount = lineio::CalibrateDelay();
  std::vector<double> samples;
  for (auto _ : state) {
    const auto start = Clock::now();
    wait();
    const auto end = Clock::now();
    samples.push_back(std::chrono::duration<double, std::micro>(end - start).count() / nominalUs);
  }
  std::sort(samples.begin(), samples.end());
  state.counters["DelayCount"] = lineio::processState.Ports.DelayCount;
  state.counters["median"] = samples[samples.size() / 2];
  state.counters["min"] = samples.front();
  state.counters["p10"] = samples[samples.size() / 10];
  state.counters["p90"] = samples[samples.size() * 9 / 10];
  state.counters["max"] = samples.back();
}

void BM_Wait10us(benchmark::State& state) {
  MeasureWait(state, 10.0, [] { lineio::Wait10us(); });
}

void BM_Wait500us(benchmark::State& state) {
  MeasureWait(state, 500.0, [] { lineio::BusyLoop(50 * lineio::processState.Ports.DelayCount); });
}

void BM_Calibration(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(lineio::CalibrateDelay());
}

BENCHMARK(BM_Wait10us)->Iterations(20000)->Repetitions(5);
BENCHMARK(BM_Wait500us)->Iterations(2000)->Repetitions(5);
BENCHMARK(BM_Calibration)->Iterations(50)->Unit(benchmark::kMillisecond);

}  // namespace
