// The simulated driver built into the test libraries. It comes to life at the
// first open of the driver device, not at load time, so loading the library
// still does nothing by itself.
//
// On Windows the library's driver device calls OpenEmbeddedSimulator in place
// of CreateFileA. The POSIX stand-ins have no driver device at all, so there
// the test library puts a small DriverService in place when it is loaded; its
// first Open brings the simulated bus and driver to life.
#include "platform/embedded_simulator.h"

#include "platform/driver_service.h"
#include "sim/default_bus.h"
#include "sim/line_board.h"
#include "sim/sim_bus.h"
#include "sim/simulated_driver.h"

namespace lineio::platform {

namespace {

// The board's tick bit toggles on every this many reads of its status
// register, so that the tick waits of a host end without a real board.
constexpr std::uint32_t TickEveryStatusReads = 8;

// The default bus (a network card, a Kestrel board, a bridge, a Merlin board),
// its two line-test boards ticking, and the driver that serves it.
struct EmbeddedBoards {
  EmbeddedBoards() : driver(bus) {
    const sim::DefaultBusCards cards = sim::PopulateDefaultBus(bus);
    for (int index : {cards.Kestrel, cards.Merlin}) {
      static_cast<sim::LineBoard&>(bus.Card(index)).SetTickEvery(TickEveryStatusReads);
    }
    driver.Install();
  }
  sim::SimBus bus;
  sim::SimulatedDriver driver;
};

EmbeddedBoards& Boards() {
  static EmbeddedBoards boards;
  return boards;
}

}  // namespace

OsHandle OpenEmbeddedSimulator() { return Boards().driver.Open(); }

#if !defined(_WIN32)

namespace {

// Stands in for the driver device until the first open, which installs the
// simulated driver itself; requests that still reach it go to that driver.
class EmbeddedDevice : public DriverService {
 public:
  EmbeddedDevice() { InstallDriverService(this); }
  ~EmbeddedDevice() override {
    if (InstalledDriverService() == this) InstallDriverService(nullptr);
  }
  EmbeddedDevice(const EmbeddedDevice&) = delete;
  EmbeddedDevice& operator=(const EmbeddedDevice&) = delete;

  OsHandle Open() override { return OpenEmbeddedSimulator(); }
  bool Request(OsHandle handle, std::uint32_t code, void* record, std::uint32_t size) override {
    return Boards().driver.Request(handle, code, record, size);
  }
  bool Close(OsHandle handle) override { return Boards().driver.Close(handle); }
};

EmbeddedDevice embeddedDevice;

}  // namespace

#endif

}  // namespace lineio::platform
