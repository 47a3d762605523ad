// The INTx interrupt of a card bound to vfio-pci. The kernel signals an
// eventfd at each interrupt and masks the line until user space unmasks it
// (VFIO_DEVICE_SET_IRQS with VFIO_IRQ_SET_ACTION_UNMASK). A wait therefore
// unmasks the line when the previous wait took an interrupt (the service has
// performed its commands since, so the card no longer asserts it), then waits
// on the eventfd and on a stop event together; the eventfd's counter is the
// number of interrupts signalled since the last read.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/interrupt_wait.h"
#include "platform/linux/vfio_device.h"

namespace lineio::platform::linuxpci {

class VfioInterrupt final : public InterruptWait {
 public:
  // Hands an eventfd to the kernel as the trigger of the device's INTx.
  // Nothing, with a line on standard error, when the device has no INTx or
  // the kernel refuses.
  static std::unique_ptr<VfioInterrupt> Open(std::shared_ptr<VfioDevice> device,
                                             std::vector<TransferCommand> commands);
  // Takes the trigger back from the kernel and closes the events.
  ~VfioInterrupt() override;

  WaitEnd Wait(std::uint32_t& received) override;
  void Stop() override;

 private:
  VfioInterrupt(std::shared_ptr<VfioDevice> device, int eventFd, int stopFd,
                std::vector<TransferCommand> commands);
  WaitEnd Lose(const std::string& why);

  // Released when the device is unbound while open: its calls then fail.
  const std::shared_ptr<VfioDevice> device_;
  const int eventFd_;
  const int stopFd_;
  std::atomic<bool> stopped_{false};
  std::atomic<bool> gone_{false};
  bool masked_ = false;  // the last wait took an interrupt, which the kernel masked
};

}  // namespace lineio::platform::linuxpci
