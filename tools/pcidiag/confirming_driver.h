// The driver device of the machine, with one safeguard for the configuration
// editor: before the first configuration write it asks the person at the
// console to confirm, since on a real bus that write changes a live device.
// A write that is not confirmed is not sent (the request fails), and the next
// write asks again.
#pragma once

#include "platform/driver_service.h"

namespace lineio::pcidiag {

class ConfirmingDriver : public platform::DriverService {
 public:
  platform::OsHandle Open() override;
  bool Request(platform::OsHandle handle, std::uint32_t code, void* record, std::uint32_t size) override;
  bool Close(platform::OsHandle handle) override;

 private:
  bool confirmed_ = false;
};

}  // namespace lineio::pcidiag
