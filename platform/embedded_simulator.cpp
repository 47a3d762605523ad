// The simulated driver built into the test libraries. It comes to life at the
// first open of the driver device, not at load time, so loading the library
// still does nothing by itself.
#include "platform/embedded_simulator.h"

#include "sim/default_bus.h"
#include "sim/sim_bus.h"
#include "sim/simulated_driver.h"

namespace lineio::platform {

namespace {

// The default bus (a network card, a Kestrel board, a bridge, a Merlin board)
// and the driver that serves it.
struct EmbeddedBoards {
  EmbeddedBoards() : driver(bus) {
    sim::PopulateDefaultBus(bus);
    driver.Install();
  }
  sim::SimBus bus;
  sim::SimulatedDriver driver;
};

}  // namespace

OsHandle OpenEmbeddedSimulator() {
  static EmbeddedBoards boards;
  return boards.driver.Open();
}

}  // namespace lineio::platform
