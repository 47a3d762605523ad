// The logical port operations on the in-process simulated board, against the
// time that their busy waits alone take. After a real calibration each should
// cost at most 1.1 times that floor: the register accesses, each one request
// to the simulated driver, must add no more than a tenth.
//
// Counters: floor_us, the nominal time of the operation's waits; x_floor, the
// CPU time per operation divided by floor_us; x_waits, the CPU time per
// operation divided by what its waits really take with the calibrated
// DelayCount (floor_us scaled by the measured length of Wait10us, which
// BM_Wait10us shows). CPU time, so that other processes on the machine do not
// count: the waits are busy loops, so on an idle machine it is the wall time.
//
// Each operation runs twice: /1 with the calibrated waits, /0 with waits that
// end at once, which leaves the cost of its register accesses alone
// (counter access_us); that cost must stay within a tenth of floor_us.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include "bench/support/port_floors.h"
#include "board/process_state.h"
#include "lineio.h"
#include "portio/board_description.h"
#include "portio/delay.h"
#include "sim/default_bus.h"
#include "sim/simulated_driver.h"

namespace {

using namespace lineio;
using bench::FloorsOfThisBoard;
using bench::ThreadCpuMicroseconds;

// The driver's trace and the board's histories are emptied this often, so
// that their growth does not count (emptying them costs next to nothing).
constexpr std::int64_t ClearEvery = 1024;
constexpr double NominalWait10us = 10.0;

// One board session for the whole run. DelayCount is the largest of a few
// real calibrations: a calibration that another process interrupted measures
// too long a time and so gives too small a count.
class Session {
 public:
  Session() {
    bus_.AddCard(sim::MakeBoardCard(static_cast<std::uint16_t>(ThisBoard().Vendor),
                                    static_cast<std::uint16_t>(ThisBoard().Device)));
    driver_.Install();
    std::fclose(stdin);  // no dialogue: one card opens without asking
    PortInit(0);
    waitScale_ = bench::CalibrateAndScaleWaits();
    std::printf("DelayCount %d; Wait10us takes %.2f us\n", processState.Ports.DelayCount,
                waitScale_ * NominalWait10us);
  }

  // How long the waits really take, per microsecond of nominal time.
  double WaitScale() const { return waitScale_; }

  void ClearRecords() {
    driver_.ClearTrace();
    dynamic_cast<sim::LineBoard&>(bus_.Card(0)).ClearHistory();
  }

 private:
  sim::SimBus bus_;
  sim::SimulatedDriver driver_{bus_};
  double waitScale_ = 1.0;
};

Session& TheSession() {
  static Session session;
  return session;
}

template <typename Operation>
void Measure(benchmark::State& state, double floorUs, Operation operation) {
  Session& session = TheSession();
  const bool waits = state.range(0) != 0;
  std::optional<bench::WithoutWaits> noWaits;
  if (!waits) noWaits.emplace();
  session.ClearRecords();
  std::int64_t sinceClear = 0;
  const double start = ThreadCpuMicroseconds();
  for (auto _ : state) {
    operation();
    if (++sinceClear == ClearEvery) {
      session.ClearRecords();
      sinceClear = 0;
    }
  }
  const double perOperation = (ThreadCpuMicroseconds() - start) / static_cast<double>(state.iterations());
  bench::ReportAgainstFloor(state, perOperation, floorUs, waits, session.WaitScale());
}

[[maybe_unused]] const bool PortOperationsRegistered =
    (bench::RegisterPortOperations("BM_", Measure<void (*)()>), true);

void BM_Wait10us(benchmark::State& state) {
  TheSession();
  for (auto _ : state) Wait10us();
}

BENCHMARK(BM_Wait10us)->Unit(benchmark::kMicrosecond);

}  // namespace
