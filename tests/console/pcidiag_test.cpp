// pcidiag as a person runs it: a separate program, its output and exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "sim/bus_dump.h"
#include "tests/console/console_test_support.h"

namespace lineio {
namespace {

namespace fs = std::filesystem;

struct ProgramRun {
  std::string Output;
  int Status;
};

// Runs pcidiag with the arguments and the given standard input.
ProgramRun Pcidiag(const std::string& arguments, const std::string& input = "") {
  const fs::path inputFile = fs::temp_directory_path() / ("pcidiag-input-" + std::to_string(getpid()));
  std::ofstream(inputFile) << input;
  const std::string command =
      std::string(LINEIO_PCIDIAG) + " " + arguments + " <" + inputFile.string() + " 2>/dev/null";
  ProgramRun run{"", -1};
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  std::array<char, 4096> chunk{};
  std::size_t got = 0;
  while ((got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) run.Output.append(chunk.data(), got);
  const int status = pclose(pipe);
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  fs::remove(inputFile);
  return run;
}

std::string SampleBus() { return std::string(LINEIO_CONSOLE_DATA) + "/sample_bus.txt"; }

TEST(PcidiagTest, ScansABusFromADump) {
  const ProgramRun run = Pcidiag("--bus " + SampleBus() + " scan");
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Output, testing::Expected("pcidiag_sample_scan.txt"));
}

TEST(PcidiagTest, ListsTheResourcesOfOneCard) {
  const ProgramRun run = Pcidiag("--bus " + SampleBus() + " resources 2 1 0");
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Output,
            "   Item IO: range 0xe000-0xe0ff\n"
            "   Item Memory: range 0xe8000000-0xe8000fff\n"
            "   Item Interrupt: irq 10\n"
            "   Item Bus: type 5, bus number 2, slot 00000001\n");
}

TEST(PcidiagTest, EditsTheChosenCard) {
  const std::string display = testing::Expected("editor_display.txt");
  // Choose the board, set its latency timer, leave.
  const ProgramRun run = Pcidiag("--bus " + SampleBus() + " edit", "136c\na036\n8\n40\n99\n");
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Output.rfind("Enter VendorID: Enter DeviceID: \nEdit PCI configuration registers\n", 0), 0u);
  EXPECT_EQ(testing::Occurrences(run.Output, "Edit PCI configuration registers\n"), 2);
  const std::string last = run.Output.substr(run.Output.rfind("Edit PCI"));
  EXPECT_NE(last.find(" 8.    LAT : 40 "), std::string::npos);
  EXPECT_NE(last.find(" 1.    VID : 136c "), std::string::npos);

  const ProgramRun cancelled = Pcidiag("--bus " + SampleBus() + " edit", "0\n");
  EXPECT_EQ(cancelled.Status, 1);
  EXPECT_EQ(cancelled.Output, "Enter VendorID: ");
}

TEST(PcidiagTest, DefaultBusHasBothBoards) {
  const ProgramRun run = Pcidiag("scan");
  EXPECT_EQ(run.Status, 0);
  EXPECT_NE(run.Output.find("VendorID 136c DeviceID a036\n"), std::string::npos);
  EXPECT_NE(run.Output.find("VendorID 1172 DeviceID 1998\n"), std::string::npos);
  EXPECT_EQ(testing::Occurrences(run.Output, "Press Enter to continue to next slot\n"), 4);
  // What dump writes, --bus reads back as the same bus.
  const ProgramRun dump = Pcidiag("dump");
  const fs::path file = fs::temp_directory_path() / ("pcidiag-bus-" + std::to_string(getpid()));
  std::ofstream(file) << dump.Output;
  const ProgramRun replay = Pcidiag("--bus " + file.string() + " scan");
  fs::remove(file);
  for (const char* ids : {"VendorID 136c DeviceID a036\n", "VendorID 1172 DeviceID 1998\n"}) {
    EXPECT_NE(replay.Output.find(ids), std::string::npos) << ids;
  }
}

TEST(PcidiagTest, RefusesBadCommandLinesAndFiles) {
  for (const char* arguments :
       {"", "frobnicate", "scan extra", "resources 0 1", "resources 0 x 0", "--bus"}) {
    SCOPED_TRACE(arguments);
    const ProgramRun run = Pcidiag(arguments);
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Output, "");
  }
  EXPECT_EQ(Pcidiag("--bus /nonexistent/bus.txt scan").Status, 1);
  EXPECT_EQ(Pcidiag("--bus " + std::string(LINEIO_CONSOLE_EXPECTED) + "/scan_two_cards.txt scan").Status, 1);
  EXPECT_EQ(Pcidiag("--help").Status, 0);
}

// The 64-byte configuration headers of this machine's PCI devices, in the
// format of `lspci -x`.
std::string ThisMachinesBus(std::set<std::string>& cards) {
  std::string dump;
  for (const auto& device : fs::directory_iterator("/sys/bus/pci/devices")) {
    std::ifstream config(device.path() / "config", std::ios::binary);
    sim::CardDump card;
    card.Config.resize(sim::DumpHeaderBytes);
    config.read(reinterpret_cast<char*>(card.Config.data()), sim::DumpHeaderBytes);
    if (config.gcount() < 4) continue;
    card.Config.resize(static_cast<std::size_t>(config.gcount()));
    unsigned domain = 0, bus = 0, slot = 0, function = 0;
    if (std::sscanf(device.path().filename().c_str(), "%x:%x:%x.%x", &domain, &bus, &slot, &function) != 4) {
      continue;
    }
    card.Slot = PciSlot{bus, slot, function};
    card.Description = "from sysfs";
    dump += sim::FormatCardDump(card);
    char line[96];
    std::snprintf(line, sizeof line, "Bus %u Slot %u Function %u, VendorID %04x DeviceID %04x\n", bus, slot,
                  function, card.Config[0] | card.Config[1] << 8, card.Config[2] | card.Config[3] << 8);
    cards.insert(line);
  }
  return dump;
}

TEST(PcidiagTest, ScansThisMachinesBus) {
  if (!fs::exists("/sys/bus/pci/devices")) GTEST_SKIP() << "no PCI devices folder here";
  std::set<std::string> cards;
  const std::string dump = ThisMachinesBus(cards);
  const fs::path file = fs::temp_directory_path() / ("pcidiag-sysfs-" + std::to_string(getpid()));
  std::ofstream(file) << dump;
  const ProgramRun run = Pcidiag("--bus " + file.string() + " scan");
  fs::remove(file);
  EXPECT_EQ(run.Status, 0);
  for (const std::string& card : cards) EXPECT_NE(run.Output.find(card), std::string::npos) << card;
  EXPECT_EQ(testing::Occurrences(run.Output, "Press Enter to continue to next slot\n"),
            static_cast<int>(cards.size()));
}

}  // namespace
}  // namespace lineio
