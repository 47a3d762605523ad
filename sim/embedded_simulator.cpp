// The simulated driver built into the test forms of the libraries (the Linux
// test libraries and the simulated Windows DLLs), so that an unchanged host
// runs the whole library against simulated boards.
//
// Loading the library only puts a small DriverService in place as the
// driver device. Its first Open brings the simulated bus and driver to life,
// so loading the library still does no work by itself.
#include "platform/driver_service.h"
#include "sim/default_bus.h"
#include "sim/line_board.h"
#include "sim/sim_bus.h"
#include "sim/simulated_driver.h"

namespace lineio::sim {

namespace {

// The board's tick bit toggles on every this many reads of its status
// register, so that the tick waits of a host end without a real board.
constexpr std::uint32_t TickEveryStatusReads = 8;

// The default bus (a network card, a Kestrel board, a bridge, a Merlin board),
// its two line-test boards ticking, and the driver that serves it.
struct EmbeddedBoards {
  EmbeddedBoards() : Driver(Bus) {
    const DefaultBusCards cards = PopulateDefaultBus(Bus);
    for (int index : {cards.Kestrel, cards.Merlin}) {
      static_cast<LineBoard&>(Bus.Card(index)).SetTickEvery(TickEveryStatusReads);
    }
  }
  SimBus Bus;
  SimulatedDriver Driver;
};

EmbeddedBoards& Boards() {
  static EmbeddedBoards boards;
  return boards;
}

// The driver device until the library is unloaded; every call goes to the
// simulated driver, created at the first.
class EmbeddedDevice : public platform::DriverService {
 public:
  EmbeddedDevice() { platform::InstallDriverService(this); }
  ~EmbeddedDevice() override {
    if (platform::InstalledDriverService() == this) platform::InstallDriverService(nullptr);
  }
  EmbeddedDevice(const EmbeddedDevice&) = delete;
  EmbeddedDevice& operator=(const EmbeddedDevice&) = delete;

  platform::OsHandle Open() override { return Boards().Driver.Open(); }
  bool Request(platform::OsHandle handle, std::uint32_t code, void* record, std::uint32_t size) override {
    return Boards().Driver.Request(handle, code, record, size);
  }
  bool Close(platform::OsHandle handle) override { return Boards().Driver.Close(handle); }
};

EmbeddedDevice embeddedDevice;

}  // namespace

}  // namespace lineio::sim
