#include "platform/linux/default_service.h"

#include <atomic>

#include "platform/linux/linux_pci_service.h"

namespace lineio::platform::linuxpci {

namespace {

// Set at the first open; never destroyed, so that an interrupt thread or a
// registration still alive at exit never finds it gone (the kernel releases
// locks, mappings and descriptors when the process ends).
std::atomic<LinuxPciService*> defaultService{nullptr};

LinuxPciService& CreatedService() {
  static LinuxPciService* const Created = new LinuxPciService(RootsFromEnvironment());
  defaultService.store(Created, std::memory_order_release);
  return *Created;
}

}  // namespace

OsHandle OpenDefaultDevice() { return CreatedService().Open(); }

bool DefaultDeviceRequest(OsHandle handle, std::uint32_t code, void* record, std::uint32_t size) {
  LinuxPciService* service = defaultService.load(std::memory_order_acquire);
  return service != nullptr && service->Request(handle, code, record, size);
}

bool CloseDefaultDevice(OsHandle handle) {
  LinuxPciService* service = defaultService.load(std::memory_order_acquire);
  return service != nullptr && service->Close(handle);
}

}  // namespace lineio::platform::linuxpci
