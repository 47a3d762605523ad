// The calibration under load: while as many busy processes as there are
// processors, plus one, compete for the processor, PortInit calibrates
// DelayCount; then, with the machine quiet again, a relay load (ContRelay,
// 31.4 ms of serial waits) is timed on this thread's processor clock, which
// counts only the time the loops really ran. A calibration fooled by
// preemption makes the relay's waits short. Twelve rounds; the counters give
// the worst and the median relay time as a fraction of nominal, and, for
// comparison, the DelayCount that timing the whole loop in one pass gave in
// the same rounds. The same rounds without the busy processes are the
// control: what remains there is the processor's own change of speed between
// PortInit and the relay, which no calibration can see.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "bench/support/port_floors.h"
#include "board/process_state.h"
#include "lineio.h"
#include "platform/platform.h"
#include "portio/delay.h"
#include "sim/default_bus.h"
#include "sim/sim_bus.h"
#include "sim/simulated_driver.h"

namespace {

constexpr double RelayNominalMs = 31.4;
constexpr int Rounds = 12;

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

// What timing the whole calibration loop once, as one interval, gives.
std::int32_t SinglePassDelayCount() {
  const double start = lineio::platform::MonotonicMilliseconds();
  lineio::BusyLoop(lineio::CalibrationPasses);
  return lineio::DelayCountFor(lineio::platform::MonotonicMilliseconds() - start);
}

// The processor time of one relay load, in milliseconds.
double RelayCpuMs() {
  const double start = lineio::bench::ThreadCpuMicroseconds();
  ContRelay(0x8421);
  return (lineio::bench::ThreadCpuMicroseconds() - start) / 1e3;
}

// Argument 1: under load; 0: the quiet control.
void BM_RelayAfterCalibrationUnderLoad(benchmark::State& state) {
  lineio::sim::SimBus bus;
  lineio::sim::PopulateDefaultBus(bus);
  lineio::sim::SimulatedDriver driver(bus);
  driver.Install();
  const long busy = state.range(0) != 0 ? sysconf(_SC_NPROCESSORS_ONLN) + 1 : 0;
  std::vector<double> relay;
  std::vector<double> delayCounts;
  std::vector<double> singlePass;
  for (auto _ : state) {
    {
      Load load(busy);
      PortInit(0);
      singlePass.push_back(SinglePassDelayCount());
    }
    const std::int32_t calibrated = lineio::processState.Ports.DelayCount;
    delayCounts.push_back(calibrated);
    // The relay's own work besides its waits (the simulated bus's handshakes)
    // is timed with waits of no passes and taken off.
    lineio::processState.Ports.DelayCount = 0;
    const double overhead = RelayCpuMs();
    lineio::processState.Ports.DelayCount = calibrated;
    relay.push_back((RelayCpuMs() - overhead) / RelayNominalMs);
    PortEnd();
    driver.ClearTrace();
  }
  driver.Uninstall();
  std::sort(relay.begin(), relay.end());
  std::sort(delayCounts.begin(), delayCounts.end());
  std::sort(singlePass.begin(), singlePass.end());
  state.counters["busy"] = static_cast<double>(busy);
  state.counters["worst"] = relay.front();
  state.counters["median"] = relay[relay.size() / 2];
  state.counters["best"] = relay.back();
  state.counters["DelayCount_min"] = delayCounts.front();
  state.counters["DelayCount_max"] = delayCounts.back();
  state.counters["single_pass_min"] = singlePass.front();
  state.counters["single_pass_max"] = singlePass.back();
}

BENCHMARK(BM_RelayAfterCalibrationUnderLoad)
    ->ArgName("loaded")
    ->Arg(1)
    ->Arg(0)
    ->Iterations(Rounds)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
