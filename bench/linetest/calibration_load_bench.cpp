// A relay load (ContRelay, 31.4 ms of serial waits) after PortInit calibrated
// DelayCount, timed by the monotonic clock against its nominal time, in four
// cases of twelve rounds each:
//
//   /0  the quiet control: nothing else runs, no processor chosen;
//   /1  under load: while as many busy processes as there are processors,
//       plus one, compete for the processor, PortInit calibrates; the relay
//       then runs on a quiet machine;
//   /2  speed change: PortInit calibrates pinned to the first processor, the
//       relay runs pinned to the second;
//   /3  the same, the other way round.
//
// Every wait ends no earlier than its nominal time by the clock, so the worst
// round must not fall below 1.0 but for the clock's own granularity (target
// 0.98). How much longer than nominal the relay runs (median, best) shows
// what a calibration that counted at a speed the processor does not run at
// now costs: only time. The relay's own bus work besides its waits (the
// simulated board's handshakes) is timed with waits that end at once and
// taken off.
#include <benchmark/benchmark.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "bench/support/port_floors.h"
#include "board/process_state.h"
#include "lineio.h"
#include "platform/platform.h"
#include "sim/default_bus.h"
#include "sim/sim_bus.h"
#include "sim/simulated_driver.h"

namespace {

constexpr double RelayNominalMs = 31.4;
constexpr int Rounds = 12;
constexpr int OverheadRuns = 3;

enum Case : int { QuietControl = 0, UnderLoad = 1, CalibrateFirstRunSecond = 2, CalibrateSecondRunFirst = 3 };

// Busy processes that take the processor until they are stopped.
class Load {
 public:
  explicit Load(long processes) {
    for (long i = 0; i < processes; ++i) {
      const pid_t child = fork();
      if (child == 0) {
        volatile unsigned spin = 0;
        for (;;) spin = spin + 1;
      }
      if (child > 0) children_.push_back(child);
    }
    usleep(20000);  // every one of them running before the calibration starts
  }
  ~Load() {
    for (pid_t child : children_) kill(child, SIGKILL);
    for (pid_t child : children_) waitpid(child, nullptr, 0);
  }
  Load(const Load&) = delete;
  Load& operator=(const Load&) = delete;

 private:
  std::vector<pid_t> children_;
};

// Runs this thread on one processor only; -1 lets it run on any.
bool PinTo(int processor) {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (processor < 0) {
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) CPU_SET(cpu, &set);
  } else {
    CPU_SET(processor, &set);
  }
  return sched_setaffinity(0, sizeof set, &set) == 0 || processor < 0;
}

// The wall time of one relay load, in milliseconds.
double RelayMs() {
  const double start = lineio::platform::MonotonicMilliseconds();
  ContRelay(0x8421);
  return lineio::platform::MonotonicMilliseconds() - start;
}

// The relay's bus work alone: the least processor time of a few runs whose
// waits end at once. Processor time never overstates the bus work that the
// timed relay's wall time holds, so what is left of it after the subtraction
// is never less than its waits took.
double RelayOverheadMs() {
  const lineio::bench::WithoutWaits noWaits;
  double least = 0;
  for (int run = 0; run < OverheadRuns; ++run) {
    const double start = lineio::bench::ThreadCpuMicroseconds();
    ContRelay(0x8421);
    const double ms = (lineio::bench::ThreadCpuMicroseconds() - start) / 1e3;
    if (run == 0 || ms < least) least = ms;
  }
  return least;
}

struct Placement {
  int CalibrateOn;
  int RelayOn;
  long BusyProcesses;
};

Placement PlacementOf(Case c) {
  switch (c) {
    case UnderLoad: return {-1, -1, sysconf(_SC_NPROCESSORS_ONLN) + 1};
    case CalibrateFirstRunSecond: return {0, 1, 0};
    case CalibrateSecondRunFirst: return {1, 0, 0};
    case QuietControl: break;
  }
  return {-1, -1, 0};
}

void BM_RelayAfterCalibration(benchmark::State& state) {
  const Placement placement = PlacementOf(static_cast<Case>(state.range(0)));
  if (std::max(placement.CalibrateOn, placement.RelayOn) >= sysconf(_SC_NPROCESSORS_ONLN)) {
    state.SkipWithError("needs two processors");
    return;
  }
  lineio::sim::SimBus bus;
  lineio::sim::PopulateDefaultBus(bus);
  lineio::sim::SimulatedDriver driver(bus);
  driver.Install();
  std::vector<double> relay;
  std::vector<double> delayCounts;
  for (auto _ : state) {
    PinTo(placement.CalibrateOn);
    {
      const Load load(placement.BusyProcesses);
      PortInit(0);
    }
    delayCounts.push_back(lineio::processState.Ports.DelayCount);
    PinTo(placement.RelayOn);
    const double overhead = RelayOverheadMs();
    relay.push_back((RelayMs() - overhead) / RelayNominalMs);
    PortEnd();
    driver.ClearTrace();
  }
  PinTo(-1);
  driver.Uninstall();
  std::sort(relay.begin(), relay.end());
  std::sort(delayCounts.begin(), delayCounts.end());
  state.counters["worst"] = relay.front();
  state.counters["median"] = relay[relay.size() / 2];
  state.counters["longest"] = relay.back();
  state.counters["DelayCount_min"] = delayCounts.front();
  state.counters["DelayCount_max"] = delayCounts.back();
}

BENCHMARK(BM_RelayAfterCalibration)
    ->ArgName("case")
    ->Arg(QuietControl)
    ->Arg(UnderLoad)
    ->Arg(CalibrateFirstRunSecond)
    ->Arg(CalibrateSecondRunFirst)
    ->Iterations(Rounds)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
