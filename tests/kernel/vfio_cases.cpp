// A board bound to vfio-pci on the lab guest's real kernel, behind the
// emulated IOMMU: Kestrel on the edu device through VFIO (cases/vfio.sh binds
// it and builds the tree). Interrupts arrive on the INTx eventfd, every one
// handled once with its acknowledge performed before the line is unmasked;
// the group is the lock, also within one process; configuration goes through
// the device; an unbind while the board is open lets the device go.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <future>
#include <string>

#include "board/board.h"
#include "board/interrupts.h"
#include "tests/kernel/interrupt_fixture.h"
#include "tests/kernel/lab_board.h"

namespace lineio::testing::lab {
namespace {

constexpr std::uint32_t EduIds = 0x11E81234;  // device and vendor, configuration offset 0
constexpr char VfioDriverDirectory[] = "/sys/bus/pci/drivers/vfio-pci";

int OpenDescriptors() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

// A write to a sysfs file on another thread, so that one that hangs ends
// the program with a line instead of holding the guest until its limit.
bool WriteSysfsReturns(const std::string& path, const std::string& line) {
  auto written = std::async(std::launch::async, [&] { return WriteSysfs(path, line); });
  if (written.wait_for(Patience) == std::future_status::ready) return written.get();
  std::fprintf(stderr, "writing %s to %s did not return\n", line.c_str(), path.c_str());
  std::_Exit(1);
}

using LabVfio = InterruptLabTest;

TEST_F(LabVfio, EveryRaiseIsHandledOnceWithItsCommandPerformed) {
  ASSERT_NE(Open(), nullptr);
  const std::optional<std::uint32_t> totalBefore = VfioKernelTotal();
  ASSERT_TRUE(totalBefore) << "no vfio-intx line in /proc/interrupts";
  constexpr int Raises = 20;
  ExpectEachRaiseHandledOnce(Raises);
  if (HasFatalFailure()) return;
  // A raise that comes while the line is still masked from the one before is
  // signalled by VFIO at the unmask, without an interrupt of the line: the
  // kernel's count is at most the raises.
  const std::uint32_t kernelCounted = VfioKernelTotal().value_or(0) - *totalBefore;
  EXPECT_GE(kernelCounted, 1u);
  EXPECT_LE(kernelCounted, static_cast<std::uint32_t>(Raises));
  ASSERT_TRUE(DisableReturns());
  EXPECT_EQ(InterruptEnabled(board_), 0u);
  EXPECT_EQ(Handled(), static_cast<std::size_t>(Raises));
  EXPECT_EQ(VfioKernelTotal(), std::nullopt) << "the trigger stayed with the kernel after the disable";
}

TEST_F(LabVfio, AThousandCyclesLoseNothingAndTheKernelKeepsTheLine) {
  ASSERT_NE(Open(), nullptr);
  const std::optional<std::uint32_t> totalBefore = VfioKernelTotal();
  ASSERT_TRUE(totalBefore);
  const int raised = RaiseCycles(Cycles);
  const std::uint32_t kernelCounted = VfioKernelTotal().value_or(0) - *totalBefore;
  ASSERT_TRUE(DisableReturns());
  const InterruptResult last = ExpectCyclesHandled(raised);
  std::printf(
      "lab: note vfio interrupts: %d raise/acknowledge cycles asked: raised %d, handled %zu, lost %u "
      "(the service counted %u; the kernel's line took %u, the others were pending at an unmask, which "
      "VFIO signals itself)\n",
      Cycles, raised, Handled(), last.Lost, last.Count, kernelCounted);
  EXPECT_GE(kernelCounted, 1u);
  EXPECT_LE(kernelCounted, static_cast<std::uint32_t>(raised));
  ExpectTheKernelKeptTheLine();
}

TEST_F(LabVfio, ARaiseWhileTheServiceIsStoppedIsNotHandled) {
  ASSERT_NE(Open(), nullptr);
  ASSERT_TRUE(RaiseAndAwait());
  ASSERT_TRUE(DisableReturns());
  WriteEdu(board_, EduRaise, RaisedBit);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(Handled(), 1u);
  WriteEdu(board_, EduAcknowledge, RaisedBit);
  ExpectARestartCountsOn();
}

TEST_F(LabVfio, DisableReturnsWhileAWaitIsBlocked) {
  ASSERT_NE(Open(), nullptr);
  const int threads = ThreadCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the service's thread is in its wait
  ASSERT_TRUE(DisableReturns());
  EXPECT_EQ(InterruptEnabled(board_), 0u);
  EXPECT_EQ(Handled(), 0u);
  EXPECT_TRUE(Eventually([threads] { return ThreadCount() == threads - 1; }));
}

TEST_F(LabVfio, TheGroupIsTheLockAlsoWithinOneProcess) {
  ASSERT_NE(Open(), nullptr);
  std::string failure;
  std::string errors;
  ::testing::internal::CaptureStderr();
  BoardHandle* second = OpenWithInterrupts(failure);
  errors = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(second, nullptr);
  if (second != nullptr) CloseBoard(second);
  EXPECT_EQ(failure, "error - could not lock device, already in use\n");
  EXPECT_EQ(errors, "");
  Close();
  ASSERT_NE(Open(), nullptr) << "the group was not given back at the close";
}

TEST_F(LabVfio, ConfigurationGoesThroughTheDevice) {
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(ReadConfigDword(board_, 0), EduIds);
  // Beyond the first 64 bytes too, which sysfs shows only to root: VFIO
  // gives its own view of the whole space.
  EXPECT_NE(ReadConfigDword(board_, 0x40), 0xFFFFFFFFu);
}

using LabUnbind = InterruptLabTest;

// The edu is unbound from vfio-pci while the board is open and its service
// waits: the kernel asks for the device back, the library lets it go (its
// mapping turns into zero pages, its descriptors close), the unbind returns,
// the service ends with its line, and the board's accesses go on harmlessly
// until the board is closed, which leaves nothing open.
TEST_F(LabUnbind, UnbindingWhileOpenLetsTheDeviceGo) {
  const int descriptors = OpenDescriptors();
  ASSERT_NE(Open(), nullptr);
  ASSERT_TRUE(RaiseAndAwait());
  const int threads = ThreadCount();
  ::testing::internal::CaptureStderr();
  const bool unbound = WriteSysfsReturns(std::string(VfioDriverDirectory) + "/unbind", RealFunctionName());
  // The service's thread and the watch for the request end.
  const bool ended = Eventually([threads] { return ThreadCount() == threads - 2; });
  const AfterLoss after = UseAfterLossAndClose();
  const std::string errors = ::testing::internal::GetCapturedStderr();
  ASSERT_TRUE(unbound);
  EXPECT_TRUE(ended) << "threads: " << ThreadCount() << " of " << threads << "; " << errors;
  EXPECT_EQ(Handled(), 1u);
  EXPECT_EQ(after.Identity, 0u) << "the mapping still reaches the device";
  EXPECT_EQ(after.Liveness, 0x12345678u) << "a zero page keeps what was written";
  EXPECT_TRUE(after.Disabled);
  EXPECT_EQ(after.EnabledAgain, 0u);
  EXPECT_EQ(OpenDescriptors(), descriptors);
  const std::string name = RealFunctionName();
  EXPECT_NE(errors.find("lineio: " + name +
                        " is being unbound from vfio-pci while the board is open: the library lets it go; "
                        "until the board is closed its ranges reach nothing\n"),
            std::string::npos)
      << errors;
  EXPECT_NE(errors.find("went away while the board was open"), std::string::npos) << errors;
}

TEST_F(LabUnbind, RebindingOpensAndTakesInterruptsAgain) {
  ASSERT_TRUE(WriteSysfsReturns(std::string(VfioDriverDirectory) + "/bind", RealFunctionName()));
  ASSERT_NE(Open(), nullptr);
  ASSERT_TRUE(RaiseAndAwait());
  ASSERT_TRUE(RaiseAndAwait());
  std::lock_guard guard(seen.Lock);
  EXPECT_EQ(seen.Results.back().Count, 2u);
  EXPECT_EQ(seen.Results.back().Lost, 0u);
}

}  // namespace
}  // namespace lineio::testing::lab
