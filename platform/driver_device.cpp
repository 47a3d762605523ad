// The driver device: served by an installed DriverService when there is one,
// otherwise by the operating system's kernel driver.
#include "platform/driver_service.h"
#include "platform/os.h"

namespace lineio::platform {

namespace {
DriverService* installedService = nullptr;
}  // namespace

void InstallDriverService(DriverService* service) { installedService = service; }

DriverService* InstalledDriverService() { return installedService; }

OsHandle OpenDriverDevice() {
  if (installedService != nullptr) return installedService->Open();
  return os::OpenDriverDevice();
}

bool DriverRequest(OsHandle handle, std::uint32_t code, void* record, std::uint32_t size) {
  if (installedService != nullptr) return installedService->Request(handle, code, record, size);
  return os::DriverRequest(handle, code, record, size);
}

bool CloseOsHandle(OsHandle handle) {
  if (installedService != nullptr) return installedService->Close(handle);
  return os::CloseHandle(handle);
}

}  // namespace lineio::platform
