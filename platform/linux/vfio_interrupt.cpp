#include "platform/linux/vfio_interrupt.h"

#include <linux/vfio.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/linux/failure_lines.h"

namespace lineio::platform::linuxpci {

std::unique_ptr<VfioInterrupt> VfioInterrupt::Open(std::shared_ptr<VfioDevice> device,
                                                   std::vector<TransferCommand> commands) {
  const char* name = device->Name().c_str();
  if (!device->HasIrq(VFIO_PCI_INTX_IRQ_INDEX)) {
    ReportFailure("%s has no INTx interrupt that VFIO can signal", name);
    return nullptr;
  }
  const int eventFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  const int stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (eventFd < 0 || stopFd < 0) {
    ReportFailure("cannot make an event for the interrupt of %s: %s", name, std::strerror(errno));
  } else if (!device->SetIrq(VFIO_PCI_INTX_IRQ_INDEX, VFIO_IRQ_SET_ACTION_TRIGGER, eventFd, 1)) {
    ReportFailure("the kernel refuses an eventfd for the interrupt of %s: %s", name, std::strerror(errno));
  } else {
    return std::unique_ptr<VfioInterrupt>(
        new VfioInterrupt(std::move(device), eventFd, stopFd, std::move(commands)));
  }
  for (const int fd : {eventFd, stopFd}) {
    if (fd >= 0) close(fd);
  }
  return nullptr;
}

VfioInterrupt::VfioInterrupt(std::shared_ptr<VfioDevice> device, int eventFd, int stopFd,
                             std::vector<TransferCommand> commands)
    : InterruptWait(std::move(commands)), device_(std::move(device)), eventFd_(eventFd), stopFd_(stopFd) {}

VfioInterrupt::~VfioInterrupt() {
  // A released device took the trigger back when its descriptor closed.
  if (device_->Fd() >= 0) device_->SetIrq(VFIO_PCI_INTX_IRQ_INDEX, VFIO_IRQ_SET_ACTION_TRIGGER, -1, 0);
  close(eventFd_);
  close(stopFd_);
}

void VfioInterrupt::Stop() {
  stopped_.store(true);
  SignalStop(stopFd_);
}

VfioInterrupt::WaitEnd VfioInterrupt::Wait(std::uint32_t& received) {
  if (stopped_.load()) return WaitEnd::Stopped;
  if (gone_.load()) return WaitEnd::Gone;
  if (masked_) {
    if (!device_->SetIrq(VFIO_PCI_INTX_IRQ_INDEX, VFIO_IRQ_SET_ACTION_UNMASK, -1, 1))
      return Lose(std::strerror(errno));
    masked_ = false;
  }
  for (;;) {
    short events = 0;
    const Readiness readiness = AwaitReadable(eventFd_, stopFd_, events);
    if (readiness == Readiness::Failed) {
      ReportFailure("waiting for the interrupt of %s failed: %s", device_->Name().c_str(),
                    std::strerror(errno));
      return WaitEnd::Failed;
    }
    if (readiness == Readiness::Stopped || stopped_.load()) return WaitEnd::Stopped;
    std::uint64_t signalled = 0;
    const ssize_t got = read(eventFd_, &signalled, sizeof signalled);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got != static_cast<ssize_t>(sizeof signalled) || signalled == 0)
      return Lose("its eventfd cannot be read");
    masked_ = true;
    received = signalled > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(signalled);
    return WaitEnd::Interrupt;
  }
}

VfioInterrupt::WaitEnd VfioInterrupt::Lose(const std::string& why) {
  ReportFailure("the interrupt of %s cannot go on (%s): its interrupt service ends", device_->Name().c_str(),
                why.c_str());
  gone_.store(true);
  return WaitEnd::Gone;
}

}  // namespace lineio::platform::linuxpci
