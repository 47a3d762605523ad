// The Linux backend on a fake tree of ordinary files (never the machine's
// real devices): what a register access costs when it is a system call, and
// when it is a load or store in a mapped range.
//
// BM_Port*: the logical port operations through a fake I/O range, where every
// register access is one pread or pwrite of the range's file, against the
// time that their busy waits alone take (as bench/ports measures them on the
// simulator). /1 runs with the calibrated waits: x_floor is the CPU time per
// operation over its nominal wait time floor_us, x_waits over what its waits
// really take; target x_floor <= 1.1. /0 runs with waits that end at once, which
// leaves the register accesses alone (access_us). Both also give the register
// accesses of one operation (accesses) and x_floor_least: the ratio that an
// operation would reach if each of its accesses cost no more than an empty
// system call (BM_EmptySyscall) and its waits took exactly their nominal time.
// No backend that makes one system call per access can do better.
//
// BM_InpB_* / BM_OutB_*: one raw access through the I/O range (a system call)
// and through a mapped memory range, next to a plain volatile access and the
// same behind a call that the compiler cannot inline; target for the mapped
// range: at most 1.5 times the volatile access behind a call.
//
// BM_PlainPread / BM_PlainPwrite: the system call alone on the same file.
// BM_EmptySyscall: a system call that does nothing (getppid).
//
// CPU time includes the time spent in the kernel, so the system calls count.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include "bench/support/port_floors.h"
#include "board/process_state.h"
#include "lineio.h"
#include "platform/driver_service.h"
#include "platform/linux/io_access.h"
#include "platform/linux/linux_pci_service.h"
#include "platform/linux/real_bus_guard.h"
#include "portio/board_description.h"
#include "portio/delay.h"
#include "tests/linux/fake_tree.h"

namespace {

using namespace lineio;
using bench::FloorsOfThisBoard;
using bench::ThreadCpuMicroseconds;

constexpr std::uint16_t Register = 0x310;

// The board on a fake tree, opened by PortInit through the backend; with
// `calibrate`, DelayCount is the largest of a few real calibrations (one that
// another process interrupted measures too long and counts too few passes).
class Session {
 public:
  Session(bool memory, bool calibrate) {
    platform::linuxpci::RefuseRealBus();
    tree_.Add(memory ? testing::MemoryBoard(ThisBoard().Vendor, ThisBoard().Device)
                     : testing::IoBoard(ThisBoard().Vendor, ThisBoard().Device));
    platform::InstallDriverService(&service_);
    std::fclose(stdin);  // no dialogue: one card opens without asking
    OpenQuietly();
    if (calibrate) waitScale_ = bench::CalibrateAndScaleWaits();
  }
  ~Session() {
    PortEnd();
    platform::InstallDriverService(nullptr);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  double WaitScale() const { return waitScale_; }

 private:
  // PortInit, without its line among the benchmark's results.
  static void OpenQuietly() {
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
    dup2(quiet, STDOUT_FILENO);
    PortInit(0);
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(quiet);
    close(saved);
  }

  testing::FakeTree tree_;
  platform::linuxpci::LinuxPciService service_{tree_.Roots()};
  double waitScale_ = 1.0;
};

// Counts the register accesses through I/O ranges while it is set.
class AccessCounter final : public platform::linuxpci::IoObserver {
 public:
  AccessCounter() { platform::linuxpci::SetIoObserver(this); }
  ~AccessCounter() override { platform::linuxpci::SetIoObserver(nullptr); }
  AccessCounter(const AccessCounter&) = delete;
  AccessCounter& operator=(const AccessCounter&) = delete;

  void BeforeRead(int, std::uint32_t, int) override {}
  void AfterRead(int, std::uint32_t, int, std::uint32_t) override { ++accesses_; }
  void AfterWrite(int, std::uint32_t, int, std::uint32_t) override { ++accesses_; }
  long Accesses() const { return accesses_; }

 private:
  long accesses_ = 0;
};

// The register accesses of one operation, averaged over a few (untimed).
template <typename Operation>
double AccessesPerOperation(Operation operation) {
  constexpr int Operations = 16;
  const AccessCounter counter;
  for (int i = 0; i < Operations; ++i) operation();
  return static_cast<double>(counter.Accesses()) / Operations;
}

// The CPU time of an empty system call, in microseconds: the fastest of a few
// rounds, as the least that any access through the kernel can cost.
double EmptySyscallMicroseconds() {
  constexpr int Rounds = 5;
  constexpr int Calls = 100000;
  double fastest = 0;
  for (int round = 0; round < Rounds; ++round) {
    const double start = ThreadCpuMicroseconds();
    for (int i = 0; i < Calls; ++i) syscall(SYS_getppid);
    const double perCall = (ThreadCpuMicroseconds() - start) / Calls;
    if (round == 0 || perCall < fastest) fastest = perCall;
  }
  return fastest;
}

template <typename Operation>
void MeasurePort(benchmark::State& state, double floorUs, Operation operation) {
  static const double EmptySyscallUs = EmptySyscallMicroseconds();
  Session session(false, true);
  const bool waits = state.range(0) != 0;
  std::optional<bench::WithoutWaits> noWaits;
  if (!waits) noWaits.emplace();
  const double accesses = AccessesPerOperation(operation);
  const double start = ThreadCpuMicroseconds();
  for (auto _ : state) operation();
  const double perOperation = (ThreadCpuMicroseconds() - start) / static_cast<double>(state.iterations());
  bench::ReportAgainstFloor(state, perOperation, floorUs, waits, session.WaitScale());
  state.counters["accesses"] = accesses;
  state.counters["x_floor_least"] = (floorUs + accesses * EmptySyscallUs) / floorUs;
}

[[maybe_unused]] const bool PortOperationsRegistered =
    (bench::RegisterPortOperations("BM_Port", MeasurePort<void (*)()>), true);

__attribute__((noinline)) std::uint8_t CalledLoad(volatile std::uint8_t* reg) { return *reg; }
__attribute__((noinline)) void CalledStore(volatile std::uint8_t* reg, std::uint8_t value) { *reg = value; }

void BM_VolatileLoad(benchmark::State& state) {
  static std::uint8_t memory[0x1000];
  volatile std::uint8_t* reg = memory + Register;
  for (auto _ : state) benchmark::DoNotOptimize(*reg);
}

void BM_CalledVolatileLoad(benchmark::State& state) {
  static std::uint8_t memory[0x1000];
  volatile std::uint8_t* reg = memory + Register;
  for (auto _ : state) benchmark::DoNotOptimize(CalledLoad(reg));
}

void BM_VolatileStore(benchmark::State& state) {
  static std::uint8_t memory[0x1000];
  volatile std::uint8_t* reg = memory + Register;
  std::uint8_t value = 0;
  for (auto _ : state) *reg = value++;
}

void BM_CalledVolatileStore(benchmark::State& state) {
  static std::uint8_t memory[0x1000];
  volatile std::uint8_t* reg = memory + Register;
  std::uint8_t value = 0;
  for (auto _ : state) CalledStore(reg, value++);
}

void BM_InpB_MappedMemory(benchmark::State& state) {
  Session session(true, false);
  for (auto _ : state) benchmark::DoNotOptimize(InpB(Register));
}

void BM_OutB_MappedMemory(benchmark::State& state) {
  Session session(true, false);
  std::uint16_t value = 0;
  for (auto _ : state) OutB(Register, value++);
}

void BM_InpB_IoFile(benchmark::State& state) {
  Session session(false, false);
  for (auto _ : state) benchmark::DoNotOptimize(InpB(Register));
}

void BM_OutB_IoFile(benchmark::State& state) {
  Session session(false, false);
  std::uint16_t value = 0;
  for (auto _ : state) OutB(Register, value++);
}

// The system call alone, on the same kind of file: what any access through an
// I/O range costs before the library and the backend add anything.
void BM_PlainPread(benchmark::State& state) {
  testing::FakeTree tree;
  tree.Add(testing::IoBoard(ThisBoard().Vendor, ThisBoard().Device));
  const int fd = open(tree.RangeFile("0000:03:00.0", 0).c_str(), O_RDWR | O_CLOEXEC);
  std::uint8_t byte = 0;
  for (auto _ : state) benchmark::DoNotOptimize(pread(fd, &byte, 1, Register));
  close(fd);
}

void BM_PlainPwrite(benchmark::State& state) {
  testing::FakeTree tree;
  tree.Add(testing::IoBoard(ThisBoard().Vendor, ThisBoard().Device));
  const int fd = open(tree.RangeFile("0000:03:00.0", 0).c_str(), O_RDWR | O_CLOEXEC);
  std::uint8_t byte = 0;
  for (auto _ : state) benchmark::DoNotOptimize(pwrite(fd, &byte, 1, Register));
  close(fd);
}

void BM_EmptySyscall(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(syscall(SYS_getppid));
}

BENCHMARK(BM_VolatileLoad);
BENCHMARK(BM_CalledVolatileLoad);
BENCHMARK(BM_InpB_MappedMemory);
BENCHMARK(BM_VolatileStore);
BENCHMARK(BM_CalledVolatileStore);
BENCHMARK(BM_OutB_MappedMemory);
BENCHMARK(BM_InpB_IoFile);
BENCHMARK(BM_OutB_IoFile);
BENCHMARK(BM_PlainPread);
BENCHMARK(BM_PlainPwrite);
BENCHMARK(BM_EmptySyscall);

}  // namespace
