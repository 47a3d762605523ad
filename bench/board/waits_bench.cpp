// How long the waits really take on this machine after a real calibration,
// one sample per wait, as a fraction of the nominal time: the short side
// (min, p10) must not fall below 1.0 but for the clock's own granularity,
// since every wait ends no earlier than its nominal time by the clock; the
// long side (median, p90, max) is what the counting loop adds when it runs
// slower than it did while PortInit calibrated.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "board/process_state.h"
#include "linetest/serial.h"
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
  state.counters["min"] = samples.front();
  state.counters["p10"] = samples[samples.size() / 10];
  state.counters["median"] = samples[samples.size() / 2];
  state.counters["p90"] = samples[samples.size() * 9 / 10];
  state.counters["max"] = samples.back();
}

void BM_Wait1us(benchmark::State& state) { MeasureWait(state, 1.0, lineio::Wait1us); }
void BM_Wait5us(benchmark::State& state) { MeasureWait(state, 5.0, lineio::Wait5us); }
void BM_Wait10us(benchmark::State& state) { MeasureWait(state, 10.0, lineio::Wait10us); }
void BM_BitHoldWait200us(benchmark::State& state) { MeasureWait(state, 200.0, lineio::BitHoldWait); }
void BM_BitPhaseWait500us(benchmark::State& state) { MeasureWait(state, 500.0, lineio::BitPhaseWait); }

void BM_Calibration(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(lineio::CalibrateDelay());
}

BENCHMARK(BM_Wait1us)->Iterations(20000)->Repetitions(5);
BENCHMARK(BM_Wait5us)->Iterations(20000)->Repetitions(5);
BENCHMARK(BM_Wait10us)->Iterations(20000)->Repetitions(5);
BENCHMARK(BM_BitHoldWait200us)->Iterations(2000)->Repetitions(5);
BENCHMARK(BM_BitPhaseWait500us)->Iterations(2000)->Repetitions(5);
BENCHMARK(BM_Calibration)->Iterations(50)->Unit(benchmark::kMillisecond);

}  // namespace
