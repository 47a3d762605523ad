// pcidiag: the PCI diagnostic console as a program, the way lspci and setpci
// are used: on the machine's own bus through the driver device (on Linux the
// sysfs backend), or on a simulated bus (--sim, or --bus with a dump).
#include <unistd.h>

#include <cstdio>
#include <optional>

#include "board/board.h"
#include "board/driver_request.h"
#include "console/console.h"
#include "platform/driver_service.h"
#include "sim/bus_dump.h"
#include "sim/default_bus.h"
#include "sim/simulated_driver.h"
#include "tools/pcidiag/bus_dump_file.h"
#include "tools/pcidiag/command_line.h"
#include "tools/pcidiag/confirming_driver.h"
#include "tools/pcidiag/driver_dump.h"
#include "tools/pcidiag/selecting_driver.h"
#include "tools/version.h"

namespace {

using lineio::pcidiag::BusSource;
using lineio::pcidiag::Command;
using lineio::pcidiag::Invocation;

constexpr int ExitOk = 0;
constexpr int ExitNotDone = 1;  // no driver, a bad bus file, no such card, or no card chosen
constexpr int ExitUsage = 2;

constexpr char SimulatedBusLine[] =
    "# simulated bus (a Kestrel board, a Merlin board and two other cards), not this machine's\n";
constexpr char NotKeptLine[] = "# changes go to the simulated bus and are not kept\n";

// Whether the driver device opens and is new enough (its message is printed
// when not).
bool DriverOpens() {
  lineio::platform::OsHandle link = lineio::platform::InvalidOsHandle;
  if (lineio::OpenDriverLink(link) == 0) return false;
  lineio::platform::CloseOsHandle(link);
  return true;
}

// The driver's scan of the bus (as -s and -d choose its cards); nothing when
// the driver cannot be opened (its message is printed).
std::optional<lineio::PciScan> ScanTheBus() {
  lineio::platform::OsHandle driver = lineio::platform::InvalidOsHandle;
  if (lineio::OpenDriverLink(driver) == 0) return std::nullopt;
  lineio::PciScan scan{};
  lineio::SendRequest(driver, lineio::ReqScanPciCards, scan);
  lineio::platform::CloseOsHandle(driver);
  return scan;
}

// Whether the driver lists a card at that place.
bool CardExists(const Invocation& invocation) {
  const std::optional<lineio::PciScan> scanned = ScanTheBus();
  if (!scanned) return false;
  const lineio::PciScan& scan = *scanned;
  for (std::uint32_t i = 0; i < lineio::CardsIn(scan); ++i) {
    const lineio::PciSlot& slot = scan.CardSlots[i];
    if (slot.Bus == invocation.Bus && slot.Slot == invocation.Slot && slot.Function == invocation.Function) {
      return true;
    }
  }
  std::fprintf(stderr, "pcidiag: no card at bus %u slot %u function %u\n", invocation.Bus, invocation.Slot,
               invocation.Function);
  return false;
}

// Each card that -s and -d choose: its line as scan prints it, then its
// resources. Not done when none is chosen.
int ListChosenResources() {
  const std::optional<lineio::PciScan> scanned = ScanTheBus();
  if (!scanned) return ExitNotDone;
  const lineio::PciScan& scan = *scanned;
  for (std::uint32_t i = 0; i < lineio::CardsIn(scan); ++i) {
    const lineio::PciSlot& slot = scan.CardSlots[i];
    lineio::PrintCardLine(slot, scan.CardIds[i]);
    lineio::PrintCardResources(slot.Bus, slot.Slot, slot.Function);
  }
  if (lineio::CardsIn(scan) > 0) return ExitOk;
  std::fprintf(stderr, "pcidiag: no card is chosen by -s and -d\n");
  return ExitNotDone;
}

int Edit(const Invocation& invocation) {
  if (invocation.Source != BusSource::DriverDevice) std::fputs(NotKeptLine, stdout);
  lineio::PciSlot slot{};
  if (lineio::ChooseCard(slot) == 0) return ExitNotDone;
  lineio::EditConfigRegisters(slot);
  return ExitOk;
}

int Dump(const Invocation& invocation, const lineio::sim::SimBus& bus) {
  if (invocation.Source == BusSource::DriverDevice)
    return lineio::pcidiag::DumpDriverBus() ? ExitOk : ExitNotDone;
  for (int index = 0; index < bus.CardCount(); ++index) {
    std::fputs(lineio::sim::FormatCardDump(lineio::sim::DumpBusCard(bus, index)).c_str(), stdout);
  }
  return ExitOk;
}

int Run(const Invocation& invocation, const lineio::sim::SimBus& bus) {
  if (invocation.Action != Command::Dump && !DriverOpens()) return ExitNotDone;
  switch (invocation.Action) {
    case Command::Scan:
      // "Press Enter" pauses only a person at a terminal; other input is not
      // taken from whoever feeds it.
      if (isatty(STDIN_FILENO) == 0) std::freopen("/dev/null", "r", stdin);
      lineio::ScanPciBus();
      return ExitOk;
    case Command::Resources:
      if (invocation.Selector.Given) return ListChosenResources();
      if (!CardExists(invocation)) return ExitNotDone;
      lineio::PrintCardResources(invocation.Bus, invocation.Slot, invocation.Function);
      return ExitOk;
    case Command::Edit: return Edit(invocation);
    case Command::Dump: return Dump(invocation, bus);
    case Command::Help:
    case Command::Version: break;
  }
  std::fputs(lineio::pcidiag::Usage, stdout);
  return ExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  const std::optional<Invocation> invocation = lineio::pcidiag::ParseCommandLine(argc, argv, error);
  if (!invocation) {
    std::fprintf(stderr, "pcidiag: %s\n\n%s", error.c_str(), lineio::pcidiag::Usage);
    return ExitUsage;
  }
  if (invocation->Action == Command::Help) {
    std::fputs(lineio::pcidiag::Usage, stdout);
    return ExitOk;
  }
  if (invocation->Action == Command::Version) {
    lineio::tools::PrintVersion("pcidiag");
    return ExitOk;
  }
  lineio::sim::SimBus bus;
  std::optional<lineio::sim::SimulatedDriver> simulated;
  lineio::pcidiag::ConfirmingDriver confirming;
  switch (invocation->Source) {
    case BusSource::Simulated:
      std::fputs(SimulatedBusLine, stdout);
      lineio::sim::PopulateDefaultBus(bus);
      simulated.emplace(bus);
      break;
    case BusSource::DumpFile:
      if (!lineio::pcidiag::LoadDumpFile(invocation->BusFile, bus)) return ExitNotDone;
      simulated.emplace(bus);
      break;
    case BusSource::DriverDevice: break;
  }
  // Every command reaches the driver through the selection of -s and -d.
  lineio::pcidiag::SelectingDriver selecting(
      simulated ? static_cast<lineio::platform::DriverService&>(*simulated) : confirming,
      invocation->Selector, simulated ? &bus : nullptr);
  lineio::platform::InstallDriverService(&selecting);
  const int status = Run(*invocation, bus);
  std::fflush(stdout);
  lineio::platform::InstallDriverService(nullptr);
  return status;
}
