// pcidiag as a person runs it: a separate program, its output and exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "sim/bus_dump.h"
#include "tests/console/console_test_support.h"

namespace lineio {
namespace {

namespace fs = std::filesystem;

struct ProgramRun {
  std::string Output;
  int Status;
  std::string Errors;
};

// Runs pcidiag with the arguments (words for the shell) and the given
// standard input.
ProgramRun Pcidiag(const std::string& arguments, const std::string& input = "") {
  const std::string stem = "pcidiag-" + std::to_string(getpid());
  const fs::path inputFile = fs::temp_directory_path() / (stem + "-input");
  const fs::path errorFile = fs::temp_directory_path() / (stem + "-errors");
  std::ofstream(inputFile) << input;
  const std::string command =
      std::string(LINEIO_PCIDIAG) + " " + arguments + " <" + inputFile.string() + " 2>" + errorFile.string();
  ProgramRun run{"", -1, ""};
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  std::array<char, 4096> chunk{};
  std::size_t got = 0;
  while ((got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) run.Output.append(chunk.data(), got);
  const int status = pclose(pipe);
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream errors(errorFile);
  run.Errors.assign(std::istreambuf_iterator<char>(errors), std::istreambuf_iterator<char>());
  fs::remove(inputFile);
  fs::remove(errorFile);
  return run;
}

constexpr char SimulatedBusLine[] =
    "# simulated bus (a Kestrel board, a Merlin board and two other cards), not this machine's\n";
constexpr char NotKeptLine[] = "# changes go to the simulated bus and are not kept\n";

// A file in the temporary folder that lives as long as the object.
class TemporaryFile {
 public:
  TemporaryFile(const std::string& name, const std::string& content)
      : path_(fs::temp_directory_path() / ("pcidiag-" + std::to_string(getpid()) + "-" + name)) {
    std::ofstream(path_) << content;
  }
  ~TemporaryFile() { fs::remove(path_); }
  std::string Path() const { return path_.string(); }

 private:
  fs::path path_;
};

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
  // A simulated bus takes the writes at once, and says that they are not kept.
  EXPECT_EQ(run.Output.rfind(std::string(NotKeptLine) +
                                 "Enter VendorID: Enter DeviceID: \nEdit PCI configuration registers\n",
                             0),
            0u);
  EXPECT_EQ(run.Output.find("Write it?"), std::string::npos);
  EXPECT_EQ(testing::Occurrences(run.Output, "Edit PCI configuration registers\n"), 2);
  const std::string last = run.Output.substr(run.Output.rfind("Edit PCI"));
  EXPECT_NE(last.find(" 8.    LAT : 40 "), std::string::npos);
  EXPECT_NE(last.find(" 1.    VID : 136c "), std::string::npos);

  const ProgramRun cancelled = Pcidiag("--bus " + SampleBus() + " edit", "0\n");
  EXPECT_EQ(cancelled.Status, 1);
  EXPECT_EQ(cancelled.Output, std::string(NotKeptLine) + "Enter VendorID: ");
}

TEST(PcidiagTest, TheSimulatedBusSaysSoAndHasBothBoards) {
  const ProgramRun run = Pcidiag("--sim scan");
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Output.rfind(std::string(SimulatedBusLine) + "Pci bus scan:\n", 0), 0u);
  EXPECT_NE(run.Output.find("VendorID 136c DeviceID a036\n"), std::string::npos);
  EXPECT_NE(run.Output.find("VendorID 1172 DeviceID 1998\n"), std::string::npos);
  EXPECT_EQ(testing::Occurrences(run.Output, "Press Enter to continue to next slot\n"), 4);
  // What dump writes, --bus reads back as the same bus.
  const ProgramRun dump = Pcidiag("--sim dump");
  EXPECT_EQ(dump.Output.rfind(SimulatedBusLine, 0), 0u);
  const fs::path file = fs::temp_directory_path() / ("pcidiag-bus-" + std::to_string(getpid()));
  std::ofstream(file) << dump.Output;
  const ProgramRun replay = Pcidiag("--bus " + file.string() + " scan");
  fs::remove(file);
  for (const char* ids : {"VendorID 136c DeviceID a036\n", "VendorID 1172 DeviceID 1998\n"}) {
    EXPECT_NE(replay.Output.find(ids), std::string::npos) << ids;
  }
}

TEST(PcidiagTest, RefusesBadCommandLines) {
  for (const char* arguments :
       {"", "frobnicate", "scan extra", "resources 0 1", "resources 0 x 0", "--bus", "--bus '' scan",
        "--bus= scan", "--sim --bus x scan", "resources 0x100000000 0 0", "resources 4294967296 0 0",
        "resources -1 0 0", "resources 1:2", "resources 00:20.0", "resources 00:01.8", "resources 0:0:0:0.0",
        "resources 1000000:00:00.0"}) {
    SCOPED_TRACE(arguments);
    const ProgramRun run = Pcidiag(arguments);
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Output, "");
    EXPECT_EQ(run.Errors.rfind("pcidiag: ", 0), 0u) << run.Errors;
  }
  EXPECT_EQ(Pcidiag("--help").Status, 0);
}

TEST(PcidiagTest, RefusesBusFilesThatAreNoDump) {
  const TemporaryFile empty("empty", "# only a comment\n\n");
  const TemporaryFile text("text", "hello\n");
  struct Case {
    std::string File;
    const char* Error;
  };
  const Case cases[] = {
      {"/nonexistent/bus.txt", "pcidiag: cannot read /nonexistent/bus.txt: No such file or directory\n"},
      {"/dev/zero", "pcidiag: /dev/zero is not a regular file; a bus dump is a text file\n"},
      {fs::temp_directory_path().string(), "is not a regular file"},
      {empty.Path(), "the dump holds no card\n"},
      {text.Path(), "neither a card location nor configuration bytes"},
      {std::string(LINEIO_CONSOLE_EXPECTED) + "/scan_two_cards.txt", "bus dump line"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.File);
    const ProgramRun run = Pcidiag("--bus " + c.File + " dump");
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Output, "");
    EXPECT_NE(run.Errors.find(c.Error), std::string::npos) << run.Errors;
  }
}

// Cards at buses 8 and 10: a leading 0 does not make a number octal.
TEST(PcidiagTest, ResourcesTakeDecimalHexadecimalOrALocation) {
  const TemporaryFile bus("buses",
                          std::string("08:00.0 card at bus 8\n00: 6c 13 36 a0\n10: 01 e0 00 00\n\n") +
                              "0a:00.0 card at bus 10\n00: 6c 13 36 a0\n10: 01 d0 00 00\n");
  const std::string atTen =
      "   Item IO: range 0xd000-0xd0ff\n   Item Bus: type 5, bus number 10, slot 00000000\n";
  for (const char* place : {"10 0 0", "010 0 0", "0xa 0 0", "0x0A 00 0", "0a:00.0", "0000:0a:00.0"}) {
    SCOPED_TRACE(place);
    const ProgramRun run = Pcidiag("--bus " + bus.Path() + " resources " + place);
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Output, atTen);
  }
  const ProgramRun none = Pcidiag("--bus " + bus.Path() + " resources 9 0 0");
  EXPECT_EQ(none.Status, 1);
  EXPECT_EQ(none.Output, "");
  EXPECT_EQ(none.Errors, "pcidiag: no card at bus 9 slot 0 function 0\n");
}

// A dump's 64-bit range above 4 GiB cannot be described: pcidiag names it.
TEST(PcidiagTest, NamesTheRangesThatTheRecordsCannotHold) {
  const TemporaryFile bus("wide",
                          "00:04.0 wide card\n00: 6c 13 36 a0\n10: 0c 00 00 00 40 00 00 00 01 e0 00 00\n");
  const ProgramRun run = Pcidiag("--bus " + bus.Path() + " resources 0 4 0");
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Output,
            "   Item IO: range 0xe000-0xe0ff\n   Item Bus: type 5, bus number 0, slot 00000004\n");
  EXPECT_EQ(run.Errors,
            "pcidiag: 00:04.0: memory range at 0x0000004000000000 (base address register 0) does not fit the "
            "driver records' 32-bit fields; left out\n");
}

// A card of a dump: its location as lspci writes it, its identifiers and an
// I/O range at 0xe000.
std::string DumpedCard(const std::string& location, const char* identifiers) {
  return location + " card\n00: " + identifiers + "\n10: 01 e0 00 00\n\n";
}

// The cards that a scan listed, by their lines.
std::vector<std::string> ListedCards(const std::string& output) {
  std::vector<std::string> cards;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("Bus ", 0) == 0) cards.push_back(line);
  }
  return cards;
}

// A scan record holds 30 cards; dump lists them all.
TEST(PcidiagTest, AScanPastThirtyCardsSaysSo) {
  std::string text;
  char location[16];
  for (int slot = 0; slot < 40; ++slot) {
    std::snprintf(location, sizeof location, "03:%02x.%x", slot / 8, slot % 8);
    text += DumpedCard(location, slot < 5 ? "6c 13 36 a0" : "86 80 37 12");
  }
  const TemporaryFile bus("forty", text);
  const ProgramRun scan = Pcidiag("--bus " + bus.Path() + " scan");
  EXPECT_EQ(scan.Status, 0);
  EXPECT_EQ(testing::Occurrences(scan.Output, "Press Enter to continue to next slot\n"), 30);
  EXPECT_EQ(scan.Errors, "pcidiag: 40 cards on the bus match; the scan record holds the first 30 of them\n");
  EXPECT_EQ(testing::Occurrences(Pcidiag("--bus " + bus.Path() + " dump").Output, "\n00: "), 40);
  // -d narrows the driver's own search: five cards, all listed, no line.
  const ProgramRun five = Pcidiag("--bus " + bus.Path() + " -d 136c: scan");
  EXPECT_EQ(ListedCards(five.Output).size(), 5u);
  EXPECT_EQ(five.Errors, "");
  // The simulated bus holds four cards.
  EXPECT_EQ(Pcidiag("--sim scan").Errors, "");
}

TEST(PcidiagTest, SelectorsChooseCardsAsLspciReadsThem) {
  const TemporaryFile bus("selectors",
                          DumpedCard("00:02.0", "86 80 37 12") + DumpedCard("03:00.0", "6c 13 36 a0") +
                              DumpedCard("03:00.1", "6c 13 98 19") + DumpedCard("03:02.1", "72 11 98 19") +
                              DumpedCard("0001:03:02.0", "6c 13 36 a0"));
  const std::string host = "Bus 0 Slot 2 Function 0, VendorID 8086 DeviceID 1237";
  const std::string kestrel = "Bus 3 Slot 0 Function 0, VendorID 136c DeviceID a036";
  const std::string odd = "Bus 3 Slot 0 Function 1, VendorID 136c DeviceID 1998";
  const std::string merlin = "Bus 3 Slot 2 Function 1, VendorID 1172 DeviceID 1998";
  const std::string far = "Bus 259 Slot 2 Function 0, VendorID 136c DeviceID a036";
  struct Case {
    const char* Options;
    std::vector<std::string> Cards;
  };
  const Case cases[] = {
      {"", {host, kestrel, odd, merlin, far}},
      {"-s 03:", {kestrel, odd, merlin, far}},
      {"-s 0:03:", {kestrel, odd, merlin}},
      {"-s 1::", {far}},
      {"-s 0001:03:02.0", {far}},
      {"-s 03:00.0", {kestrel}},
      {"-s03:00.0", {kestrel}},
      {"-s 2", {host, merlin, far}},
      {"-s .1", {odd, merlin}},
      {"-s 2.1", {merlin}},
      {"-s *:*.*", {host, kestrel, odd, merlin, far}},
      {"-s *:*:*.0", {host, kestrel, far}},
      {"-d 136c:", {kestrel, odd, far}},
      {"-d 136c:*", {kestrel, odd, far}},
      {"-d :1998", {odd, merlin}},
      {"-d*:1998", {odd, merlin}},
      {"-d 136C:A036", {kestrel, far}},
      {"-d 136c:a036 -s 03:00", {kestrel}},
      {"-s 03: -d :1998", {odd, merlin}},
      {"-d 0:", {}},
      {"-s 04:", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Options);
    const ProgramRun scan = Pcidiag("--bus " + bus.Path() + " " + c.Options + " scan");
    EXPECT_EQ(scan.Status, 0);
    EXPECT_EQ(scan.Output.rfind("Pci bus scan:\n\n", 0), 0u);
    EXPECT_EQ(ListedCards(scan.Output), c.Cards);
    EXPECT_EQ(scan.Errors, "");
    if (c.Options[0] == '\0') continue;
    const ProgramRun resources = Pcidiag("--bus " + bus.Path() + " " + c.Options + " resources");
    EXPECT_EQ(ListedCards(resources.Output), c.Cards);
    EXPECT_EQ(resources.Status, c.Cards.empty() ? 1 : 0);
    EXPECT_EQ(resources.Errors, c.Cards.empty() ? "pcidiag: no card is chosen by -s and -d\n" : "");
  }
  // resources: the card's line, then its items, for each chosen card.
  EXPECT_EQ(Pcidiag("--bus " + bus.Path() + " -s 0001:03:02.0 resources").Output,
            far + "\n   Item IO: range 0xe000-0xe0ff\n   Item Bus: type 5, bus number 259, slot 00000002\n");
}

TEST(PcidiagTest, RefusesSelectorsThatAreNone) {
  struct Case {
    const char* Arguments;
    const char* Error;
  };
  const Case cases[] = {
      {"-s 100: scan", "pcidiag: -s: not a bus number (hexadecimal, at most ff): 100\n"},
      {"-s 20 scan", "pcidiag: -s: not a slot number (hexadecimal, at most 1f): 20\n"},
      {"-s .8 scan", "pcidiag: -s: not a function number (hexadecimal, at most 7): 8\n"},
      {"-s 1000000:0:0.0 scan", "pcidiag: -s: not a domain (hexadecimal, at most ffffff): 1000000\n"},
      {"-s 0:0:0:0 scan", "pcidiag: -s: not a bus number (hexadecimal, at most ff): 0:0\n"},
      {"-s 0x3: scan", "pcidiag: -s: not a bus number"},
      {"-s scan", "pcidiag: -s: not a slot number (hexadecimal, at most 1f): scan\n"},
      {"scan -s", "pcidiag: -s needs an operand\n"},
      {"-d 136c scan", "pcidiag: -d: not [vendor]:[device]: 136c\n"},
      {"-d 10000: scan", "pcidiag: -d: not a vendor identifier (hexadecimal, at most ffff): 10000\n"},
      {"-d :-1 scan", "pcidiag: -d: not a device identifier"},
      {"-d 136c:a036:1180 scan", "pcidiag: -d: -d takes [vendor]:[device] only (no class)"},
      {"-d 136c: edit", "pcidiag: -s and -d choose cards for scan and resources only, not for edit\n"},
      {"-s 03: dump", "pcidiag: -s and -d choose cards for scan and resources only, not for dump\n"},
      {"-s 03: resources 3 0 0", "pcidiag: resources takes a card's location or -s and -d, not both\n"},
      {"-d : resources 03:00.0", "pcidiag: resources takes a card's location or -s and -d, not both\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Arguments);
    const ProgramRun run = Pcidiag(std::string("--sim ") + c.Arguments);
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Output, "");
    EXPECT_EQ(run.Errors.rfind(c.Error, 0), 0u) << run.Errors;
  }
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

TEST(PcidiagTest, ReplaysTheDumpOfThisMachinesBus) {
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
