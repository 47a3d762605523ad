// What the port benchmarks measure against: the processor time of this
// thread, and the nominal waits of each logical port operation of the board
// (its floor: an operation can take no less). Shared by the benchmarks of the
// simulated board and of the Linux backend, which time the same four
// operations and report them the same way.
#pragma once

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "board/process_state.h"
#include "lineio.h"
#include "platform/overrides.h"
#include "portio/board_description.h"
#include "portio/delay.h"

namespace lineio::bench {

// The logical ports timed: one of the group, one direct.
inline constexpr std::uint16_t GroupPort = 32;
inline constexpr std::uint16_t DirectPort = 3;

inline double ThreadCpuMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// The nominal waits of each operation, in microseconds.
struct Floors {
  double GroupWrite;
  double DirectWrite;
  double GroupRead;
  double DirectRead;
};

inline const Floors& FloorsOfThisBoard() {
  static const Floors Kestrel{11, 40, 7, 70};
  static const Floors Merlin{15, 35, 5, 20};
  return std::strcmp(ThisBoard().Name, "Kestrel") == 0 ? Kestrel : Merlin;
}

// Sets DelayCount to the largest of a few real calibrations (one that another
// process interrupted measures too long a time and counts too few passes) and
// gives how long the waits then really take, per microsecond of nominal time.
inline double CalibrateAndScaleWaits() {
  constexpr int Calibrations = 5;
  constexpr int WaitSamples = 2000;
  constexpr double NominalWait10us = 10.0;
  std::int32_t count = 0;
  for (int i = 0; i < Calibrations; ++i) count = std::max(count, CalibrateDelay());
  processState.Ports.DelayCount = count;
  const double start = ThreadCpuMicroseconds();
  for (int i = 0; i < WaitSamples; ++i) Wait10us();
  return (ThreadCpuMicroseconds() - start) / WaitSamples / NominalWait10us;
}

// While it lives, every wait ends at once: DelayCount 0 and a clock that
// shows each wait's nominal time gone at its second reading. What an
// operation then costs is its register accesses alone.
class WithoutWaits {
 public:
  WithoutWaits() : calibrated_(processState.Ports.DelayCount) {
    constexpr double HourMs = 3.6e6;
    processState.Ports.DelayCount = 0;
    platform::OverrideClock([now = 0.0]() mutable { return now += HourMs; });
  }
  ~WithoutWaits() {
    platform::OverrideClock(nullptr);
    processState.Ports.DelayCount = calibrated_;
  }
  WithoutWaits(const WithoutWaits&) = delete;
  WithoutWaits& operator=(const WithoutWaits&) = delete;

 private:
  std::int32_t calibrated_;
};

// One operation's processor time: with the waits, against its floor and
// against the floor scaled to how long the waits really take; without them,
// as the bare time of its register accesses.
inline void ReportAgainstFloor(benchmark::State& state, double perOperationUs, double floorUs, bool waits,
                               double waitScale) {
  state.counters["floor_us"] = floorUs;
  if (waits) {
    state.counters["x_floor"] = perOperationUs / floorUs;
    state.counters["x_waits"] = perOperationUs / (floorUs * waitScale);
  } else {
    state.counters["access_us"] = perOperationUs;
  }
}

// Registers the four port operations as <prefix>GroupWrite, ...DirectWrite,
// ...GroupRead and ...DirectRead, each run with its waits (argument 1) and
// without them (0). `measure(state, floorUs, operation)` times one of them.
template <typename Measure>
void RegisterPortOperations(const std::string& prefix, Measure measure) {
  using Operation = void (*)();
  struct Timed {
    const char* Name;
    double Floors::*Floor;
    Operation Run;
  };
  static const Timed Operations[] = {
      {"GroupWrite", &Floors::GroupWrite,
       [] {
         static std::uint16_t value = 0;
         benchmark::DoNotOptimize(PortOut(GroupPort, value++));
       }},
      {"DirectWrite", &Floors::DirectWrite,
       [] {
         static std::uint16_t value = 0;
         benchmark::DoNotOptimize(PortOut(DirectPort, value++));
       }},
      {"GroupRead", &Floors::GroupRead, [] { benchmark::DoNotOptimize(PortIinp(GroupPort)); }},
      {"DirectRead", &Floors::DirectRead, [] { benchmark::DoNotOptimize(PortIinp(DirectPort)); }},
  };
  for (const Timed& timed : Operations) {
    benchmark::RegisterBenchmark((prefix + timed.Name).c_str(),
                                 [measure, &timed](benchmark::State& state) {
                                   measure(state, FloorsOfThisBoard().*timed.Floor, timed.Run);
                                 })
        ->Arg(1)
        ->Arg(0)
        ->Unit(benchmark::kMicrosecond);
  }
}

}  // namespace lineio::bench
