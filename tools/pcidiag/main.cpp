// pcidiag: the PCI diagnostic console as a program, the way lspci and setpci
// are used, on the simulated bus served by the simulated kernel driver.
#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>

#include "console/console.h"
#include "sim/bus_dump.h"
#include "sim/default_bus.h"
#include "sim/simulated_driver.h"
#include "tools/pcidiag/command_line.h"

namespace {

using lineio::pcidiag::Command;
using lineio::pcidiag::Invocation;

constexpr int ExitOk = 0;
constexpr int ExitNotDone = 1;  // a bad bus file, or no card chosen
constexpr int ExitUsage = 2;

bool BuildBus(const Invocation& invocation, lineio::sim::SimBus& bus) {
  if (invocation.BusFile.empty()) {
    lineio::sim::PopulateDefaultBus(bus);
    return true;
  }
  std::ifstream file(invocation.BusFile);
  if (!file) {
    std::fprintf(stderr, "pcidiag: cannot read %s\n", invocation.BusFile.c_str());
    return false;
  }
  try {
    lineio::sim::LoadBusDump(bus, file);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "pcidiag: %s: %s\n", invocation.BusFile.c_str(), failure.what());
    return false;
  }
  return true;
}

int Run(const Invocation& invocation, const lineio::sim::SimBus& bus) {
  switch (invocation.Action) {
    case Command::Scan: lineio::ScanPciBus(); return ExitOk;
    case Command::Resources:
      lineio::PrintCardResources(invocation.Bus, invocation.Slot, invocation.Function);
      return ExitOk;
    case Command::Edit: {
      lineio::PciSlot slot{};
      if (lineio::ChooseCard(slot) == 0) return ExitNotDone;
      lineio::EditConfigRegisters(slot);
      return ExitOk;
    }
    case Command::Dump:
      for (int index = 0; index < bus.CardCount(); ++index) {
        std::fputs(lineio::sim::FormatCardDump(lineio::sim::DumpBusCard(bus, index)).c_str(), stdout);
      }
      return ExitOk;
    case Command::Help: break;
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
  lineio::sim::SimBus bus;
  if (!BuildBus(*invocation, bus)) return ExitNotDone;
  lineio::sim::SimulatedDriver driver(bus);
  driver.Install();
  const int status = Run(*invocation, bus);
  std::fflush(stdout);
  return status;
}
