// Compiled into every test program: from before main on, the process refuses
// to register, map, transfer on or write the configuration of any function of
// the machine's real PCI bus (platform/linux/real_bus_guard.h).
#include "platform/linux/real_bus_guard.h"

namespace {

[[maybe_unused]] const bool RealBusRefused = [] {
  lineio::platform::linuxpci::RefuseRealBus();
  return true;
}();

}  // namespace
