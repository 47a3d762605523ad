// Serves kernel driver requests in-process, in place of the device that the
// operating system would open. A program installs one before PortInit (the
// simulator does); with none installed, opening the driver fails exactly as it
// does when the kernel driver is missing.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace lineio::platform {

class DriverService {
 public:
  virtual ~DriverService() = default;
  // A new handle, or InvalidOsHandle when the device "is not there".
  virtual OsHandle Open() = 0;
  // One request on an open handle; the record is read and written in place.
  virtual bool Request(OsHandle handle, std::uint32_t code, void* record, std::uint32_t size) = 0;
  // Closes a handle from Open; false when it is not one of ours.
  virtual bool Close(OsHandle handle) = 0;
};

// Installs the service that serves the driver device from now on; nullptr
// removes it. The caller keeps ownership and keeps it alive while installed.
void InstallDriverService(DriverService* service);
DriverService* InstalledDriverService();

}  // namespace lineio::platform
