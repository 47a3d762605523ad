// The kernel's request to let go of a device bound to vfio-pci. Unbinding
// such a device (or removing it) waits until every descriptor and mapping of
// it is closed, and meanwhile signals the eventfd that user space gave for
// VFIO_PCI_REQ_IRQ_INDEX. A watch thread waits on that eventfd and calls
// back once when it is signalled, so that the library lets the device go
// instead of leaving the unbind hanging.
#pragma once

#include <functional>
#include <memory>
#include <thread>

#include "platform/linux/vfio_device.h"

namespace lineio::platform::linuxpci {

class VfioRequestWatch {
 public:
  // Starts watching `device`; `onRequest` runs on the watch thread, at most
  // once. Nothing, with a line on standard error, when the kernel offers no
  // request signal for the device or the thread cannot start.
  static std::unique_ptr<VfioRequestWatch> Start(std::shared_ptr<VfioDevice> device,
                                                 std::function<void()> onRequest);
  // Ends the watch and waits for its thread; not from within `onRequest`.
  ~VfioRequestWatch();
  VfioRequestWatch(const VfioRequestWatch&) = delete;
  VfioRequestWatch& operator=(const VfioRequestWatch&) = delete;

 private:
  VfioRequestWatch(std::shared_ptr<VfioDevice> device, int requestFd, int stopFd);
  void Watch(const std::function<void()>& onRequest) const;

  const std::shared_ptr<VfioDevice> device_;
  const int requestFd_;
  const int stopFd_;
  std::thread thread_;
};

}  // namespace lineio::platform::linuxpci
