#include "platform/linux/vfio_request.h"

#include <linux/vfio.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/linux/failure_lines.h"
#include "platform/linux/interrupt_wait.h"

namespace lineio::platform::linuxpci {

std::unique_ptr<VfioRequestWatch> VfioRequestWatch::Start(std::shared_ptr<VfioDevice> device,
                                                          std::function<void()> onRequest) {
  if (!device->HasIrq(VFIO_PCI_REQ_IRQ_INDEX)) {
    ReportFailure("%s: the kernel offers no request to let it go: do not unbind it while the board is open",
                  device->Name().c_str());
    return nullptr;
  }
  const int requestFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  const int stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (requestFd >= 0 && stopFd >= 0 &&
      device->SetIrq(VFIO_PCI_REQ_IRQ_INDEX, VFIO_IRQ_SET_ACTION_TRIGGER, requestFd, 1)) {
    std::unique_ptr<VfioRequestWatch> watch(new VfioRequestWatch(device, requestFd, stopFd));
    try {
      watch->thread_ =
          std::thread([raw = watch.get(), onRequest = std::move(onRequest)] { raw->Watch(onRequest); });
      return watch;
    } catch (const std::system_error&) {
      ReportFailure("%s: cannot start the thread that watches for an unbind", device->Name().c_str());
      return nullptr;  // the watch's destructor takes the trigger back and closes the events
    }
  }
  ReportFailure("%s: cannot watch for an unbind: %s", device->Name().c_str(), std::strerror(errno));
  for (const int fd : {requestFd, stopFd}) {
    if (fd >= 0) close(fd);
  }
  return nullptr;
}

VfioRequestWatch::VfioRequestWatch(std::shared_ptr<VfioDevice> device, int requestFd, int stopFd)
    : device_(std::move(device)), requestFd_(requestFd), stopFd_(stopFd) {}

VfioRequestWatch::~VfioRequestWatch() {
  SignalStop(stopFd_);
  if (thread_.joinable()) thread_.join();
  if (device_->Fd() >= 0) device_->SetIrq(VFIO_PCI_REQ_IRQ_INDEX, VFIO_IRQ_SET_ACTION_TRIGGER, -1, 0);
  close(requestFd_);
  close(stopFd_);
}

void VfioRequestWatch::Watch(const std::function<void()>& onRequest) const {
  short events = 0;
  if (AwaitReadable(requestFd_, stopFd_, events) == Readiness::Readable) onRequest();
}

}  // namespace lineio::platform::linuxpci
