// Interrupts of an emulated device through uio_pci_generic on the lab
// guest's real kernel: Kestrel on the edu device (lab_board.h), its interrupt
// service started through the board layer with the edu's acknowledge as the
// transfer command, interrupts raised from the test's thread. The shell cases
// of tests/kernel/cases/ bind the device and build the tree first; binding.sh
// and permission.sh run the suites named after them.
#include <gtest/gtest.h>
#include <sys/klog.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "board/board.h"
#include "tests/kernel/interrupt_fixture.h"
#include "tests/kernel/lab_board.h"

namespace lineio::testing::lab {
namespace {

constexpr std::uint16_t InterruptDisable = 0x0400;  // command register bit 10

class LabTest : public InterruptLabTest {
 protected:
  // Until the service's thread has unmasked the line for its next wait (the
  // kernel masked it at the last interrupt, or the test did).
  static bool UntilUnmasked() {
    return Eventually([] { return (CommandRegister() & InterruptDisable) == 0; });
  }
};

using LabInterrupts = LabTest;

TEST_F(LabInterrupts, EveryRaiseIsHandledOnceWithItsCommandPerformed) {
  ASSERT_NE(Open(), nullptr);
  const std::optional<std::uint32_t> totalBefore = KernelTotal();
  ASSERT_TRUE(totalBefore);
  constexpr int Raises = 20;
  ExpectEachRaiseHandledOnce(Raises);
  if (HasFatalFailure()) return;
  EXPECT_EQ(KernelTotal(), *totalBefore + Raises);
  ASSERT_TRUE(DisableReturns());
  EXPECT_EQ(InterruptEnabled(board_), 0u);
  EXPECT_EQ(Handled(), static_cast<std::size_t>(Raises));
}

TEST_F(LabInterrupts, AThousandCyclesLoseNothingAndTheKernelKeepsTheLine) {
  ASSERT_NE(Open(), nullptr);
  const std::optional<std::uint32_t> totalBefore = KernelTotal();
  ASSERT_TRUE(totalBefore);
  const int raised = RaiseCycles(Cycles);
  ASSERT_TRUE(DisableReturns());
  const std::uint32_t kernelCounted = KernelTotal().value_or(0) - *totalBefore;
  const InterruptResult last = ExpectCyclesHandled(raised);
  std::printf(
      "lab: note interrupts: %d raise/acknowledge cycles asked: raised %d, handled %zu, lost %u "
      "(the service counted %u, the kernel %u)\n",
      Cycles, raised, Handled(), last.Lost, last.Count, kernelCounted);
  EXPECT_EQ(kernelCounted, static_cast<std::uint32_t>(raised));
  ExpectTheKernelKeptTheLine();
}

TEST_F(LabInterrupts, ARaiseWhileTheServiceIsStoppedIsNotHandled) {
  ASSERT_NE(Open(), nullptr);
  ASSERT_TRUE(RaiseAndAwait());
  ASSERT_TRUE(DisableReturns());
  const std::uint32_t totalStopped = KernelTotal().value_or(0);
  WriteEdu(board_, EduRaise, RaisedBit);
  // The kernel takes it (and masks the line); nobody waits for it.
  EXPECT_TRUE(Eventually([totalStopped] { return KernelTotal().value_or(0) == totalStopped + 1; }));
  EXPECT_EQ(Handled(), 1u);
  WriteEdu(board_, EduAcknowledge, RaisedBit);
  ExpectARestartCountsOn();
}

TEST_F(LabInterrupts, DisableReturnsWhileAWaitIsBlocked) {
  // The line masked, so that the service's unmask shows that its wait began.
  SetCommandRegister(static_cast<std::uint16_t>(CommandRegister() | InterruptDisable));
  ASSERT_NE(Open(), nullptr);
  ASSERT_TRUE(UntilUnmasked());
  ASSERT_TRUE(DisableReturns());
  EXPECT_EQ(InterruptEnabled(board_), 0u);
  EXPECT_EQ(Handled(), 0u);
}

using LabBinding = LabTest;

// The device is unbound from uio_pci_generic while the board is open and its
// service waits: the uio device goes away, the service ends by itself with one
// line on standard error, and the board's accesses go on without a crash.
TEST_F(LabBinding, UnbindingWhileOpenEndsTheServiceCleanly) {
  ASSERT_NE(Open(), nullptr);
  ASSERT_TRUE(RaiseAndAwait());
  ASSERT_TRUE(UntilUnmasked());
  const int threads = ThreadCount();
  const std::string uio = "/dev/" + UioName().value_or("(none)");
  ::testing::internal::CaptureStderr();
  const bool unbound = WriteSysfs("/sys/bus/pci/drivers/uio_pci_generic/unbind", RealFunctionName());
  const bool serviceEnded = Eventually([threads] { return ThreadCount() == threads - 1; });
  const AfterLoss after = UseAfterLossAndClose();
  const std::string errors = ::testing::internal::GetCapturedStderr();
  ASSERT_TRUE(unbound);
  EXPECT_TRUE(serviceEnded) << "the interrupt thread still runs: " << errors;
  EXPECT_EQ(Handled(), 1u);
  std::printf("lab: note after the unbind the edu still answers: identity %08x, liveness %08x\n",
              after.Identity, after.Liveness);
  EXPECT_TRUE(after.Identity == EduIdentityValue || after.Identity == 0xFFFFFFFF)
      << std::hex << after.Identity;
  EXPECT_TRUE(after.Disabled);
  EXPECT_EQ(after.EnabledAgain, 0u);
  // One line for the service's end, one for the enable refused afterwards.
  EXPECT_EQ(errors, "lineio: " + uio +
                        " is gone (is the card still bound to uio_pci_generic?): its interrupt service ends\n"
                        "lineio: " +
                        TreeFunctionDirectory() +
                        " has no uio device: bind it to uio_pci_generic to use its interrupt (see README)\n");
}

TEST_F(LabBinding, RebindingOpensAndTakesInterruptsAgain) {
  ASSERT_TRUE(WriteSysfs("/sys/bus/pci/drivers/uio_pci_generic/bind", RealFunctionName()));
  ASSERT_TRUE(Eventually([] { return KernelTotal().has_value(); }));
  ASSERT_NE(Open(), nullptr);
  ASSERT_TRUE(RaiseAndAwait());
  ASSERT_TRUE(RaiseAndAwait());
  std::lock_guard guard(seen.Lock);
  EXPECT_EQ(seen.Results.back().Count, 2u);
  EXPECT_EQ(seen.Results.back().Lost, 0u);
}

using LabPermission = LabTest;

// Run as an unprivileged member of the udev rule's group, after the rule's
// permissions were applied (cases/permission.sh).
TEST_F(LabPermission, AMemberOfTheRulesGroupTakesInterrupts) {
  ASSERT_NE(geteuid(), 0u) << "runs as root: nothing is proven";
  ASSERT_NE(Open(), nullptr);
  for (std::uint32_t raise = 1; raise <= 3; ++raise) {
    ASSERT_TRUE(RaiseAndAwait());
    std::lock_guard guard(seen.Lock);
    EXPECT_EQ(seen.Results.back().Count, raise);
    EXPECT_EQ(seen.Results.back().Lost, 0u);
  }
}

}  // namespace
}  // namespace lineio::testing::lab
