#include "tools/demo/session.h"

#include <cstdio>
#include <vector>

#include "lineio.h"
#include "portio/board_identity.h"
#include "sim/default_bus.h"
#include "sim/simulated_driver.h"
#include "sim/trace_format.h"

namespace lineio::demo {

namespace {

// Prints the register accesses that reached the board since the last call.
void PrintBoardSaw(sim::SimulatedDriver& driver) {
  const std::vector<sim::RegisterAccess> trace = driver.Trace();
  std::printf("  board saw %zu register access%s:", trace.size(), trace.size() == 1 ? "" : "es");
  for (const sim::RegisterAccess& access : trace) std::printf("  %s", sim::FormatAccess(access).c_str());
  std::printf("\n");
  driver.ClearTrace();
}

void Step(const char* what) { std::printf("\n%s\n", what); }

}  // namespace

int RunSession() {
  sim::SimBus bus;
  sim::PopulateDefaultBus(bus);
  sim::SimulatedDriver driver(bus);
  driver.Install();
  std::printf("lineio demo: a host session with the %s board on a simulated PCI bus of %d cards\n",
              ThisBoard.Name, bus.CardCount());

  Step("PortInit(0): open the driver and the board");
  const int32_t opened = PortInit(0);
  std::printf("  host got %d; Test(0) = 0x%04x, CheckPCtype() = %d\n", opened, Test(0), CheckPCtype());
  PrintBoardSaw(driver);
  if (opened == 0) return 1;

  Step("Raw register access on the board's register set (0x310..0x316)");
  OutB(0x310, 0x1A5);
  OutW(0x312, 0xBEEF);
  std::printf("  OutB(0x310, 0x1a5), OutW(0x312, 0xbeef)\n");
  const uint16_t byte = InpB(0x310);
  const uint16_t word = InpW(0x312);
  const uint32_t dword = InpD(0x310);
  std::printf("  host read InpB(0x310) = 0x%02x, InpW(0x312) = 0x%04x, InpD(0x310) = 0x%08x\n", byte, word,
              dword);
  PrintBoardSaw(driver);

  Step("Test2: the host's link check");
  uint8_t text[11] = {0};
  const uint16_t length = Test2(text);
  std::printf("  Test2 wrote \"%s\" and returned %u\n", reinterpret_cast<const char*>(text), length);

  Step("PortEnd(): release the board and the driver");
  const int32_t closed = PortEnd();
  std::printf("  host got %d; driver handles open: %d, cards registered: %d\n", closed,
              driver.OpenHandles(), driver.Registrations());
  driver.Uninstall();
  return closed != 0 && driver.OpenHandles() == 0 && driver.Registrations() == 0 ? 0 : 1;
}

}  // namespace lineio::demo
