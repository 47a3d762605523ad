#include "platform/linux/default_service.h"

#include <atomic>

#include "platform/linux/linux_pci_service.h"

namespace lineio::platform::linuxpci {

namespace {

// The service while it exists: requests and closes find it here without
// creating it.
std::atomic<LinuxPciService*> defaultService{nullptr};

// Made at the first open, with the roots of that moment. It goes when the
// library is unloaded or the process ends, releasing whatever is still
// registered; the host ends its boards (PortEnd) and their interrupt services
// before that.
struct DefaultDevice {
  LinuxPciService Service{RootsFromEnvironment()};
  DefaultDevice() { defaultService.store(&Service, std::memory_order_release); }
  ~DefaultDevice() { defaultService.store(nullptr, std::memory_order_release); }
  DefaultDevice(const DefaultDevice&) = delete;
  DefaultDevice& operator=(const DefaultDevice&) = delete;
};

LinuxPciService& CreatedService() {
  static DefaultDevice device;
  return device.Service;
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
