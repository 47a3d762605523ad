// pcidiag on the driver device: on fake trees (the configuration editor asks
// before its first write) and on this machine's real bus, where it only lists
// functions and reads their `resource` and `irq` files.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "tests/linux/child_process.h"
#include "tests/linux/fake_tree.h"

namespace lineio::testing {
namespace {

namespace fs = std::filesystem;

constexpr char RealDevices[] = "/sys/bus/pci/devices";
constexpr char Question[] = "Write it? (y/n): ";

int Occurrences(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

Finished Pcidiag(const std::vector<std::string>& arguments,
                 const std::map<std::string, std::string>& environment, const std::string& input = "") {
  std::vector<std::string> command{LINEIO_PCIDIAG};
  command.insert(command.end(), arguments.begin(), arguments.end());
  return RunProgram(command, environment, input);
}

std::map<std::string, std::string> On(const FakeTree& tree) {
  return {{"LINEIO_SYSFS_ROOT", tree.Root()}, {"LINEIO_DEV_ROOT", tree.DevRoot()}};
}

TEST(LinuxPcidiagTest, TheEditorAsksBeforeItsFirstWriteToTheBus) {
  FakeTree tree;
  tree.Add(IoBoard(0x136C, 0xA036));
  // LAT = 40 refused, LAT = 40 confirmed, LAT = 41 without a question.
  const Finished run = Pcidiag({"edit"}, On(tree), "136c\na036\n8\n40\nn\n8\n40\ny\n8\n41\n99\n");
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(Occurrences(run.Output, Question), 2);
  EXPECT_EQ(Occurrences(run.Output, "Nothing written.\n"), 1);
  EXPECT_NE(run.Output.find("the real card at bus 3 slot 0 function 0"), std::string::npos);
  EXPECT_EQ(run.Output.find("not kept"), std::string::npos);
  EXPECT_EQ(tree.ConfigByte("0000:03:00.0", 0x0D), 0x41);
  EXPECT_EQ(run.Errors, "");
}

TEST(LinuxPcidiagTest, ListsAFakeTreeWithDomainsAndRefusesMissingCards) {
  FakeTree tree;
  tree.Add(IoBoard(0x136C, 0xA036, "0001:02:03.4"));
  const Finished scan = Pcidiag({"scan"}, On(tree));
  EXPECT_EQ(scan.Output,
            "Pci bus scan:\n\nBus 258 Slot 3 Function 4, VendorID 136c DeviceID a036\n"
            "   Item IO: range 0xe000-0xe3ff\n   Item Bus: type 5, bus number 258, slot 00000003\n"
            "Press Enter to continue to next slot\n");
  for (const std::vector<std::string>& arguments : {std::vector<std::string>{"resources", "0001:02:03.4"},
                                                    {"resources", "258", "3", "4"},
                                                    {"resources", "0x102", "3", "4"}}) {
    const Finished run = Pcidiag(arguments, On(tree));
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Output,
              "   Item IO: range 0xe000-0xe3ff\n   Item Bus: type 5, bus number 258, slot 00000003\n");
  }
  const Finished missing = Pcidiag({"resources", "02:03.4"}, On(tree));
  EXPECT_EQ(missing.Status, 1);
  EXPECT_EQ(missing.Output, "");
  EXPECT_EQ(missing.Errors, "pcidiag: no card at bus 2 slot 3 function 4\n");
  const Finished noBus = Pcidiag({"scan"}, {{"LINEIO_SYSFS_ROOT", tree.Root() + "/none"}});
  EXPECT_EQ(noBus.Status, 1);
  EXPECT_EQ(noBus.Output, "Cannot open WinDriver device\n");
}

// A FIFO in place of an identity or resource file would block the scan for
// ever: the function is left out, or listed without its resources.
TEST(LinuxPcidiagTest, ScansPassOverFifosInTheTree) {
  FakeTree tree;
  tree.Add(IoBoard(0x136C, 0xA036, "0000:02:00.0"));
  tree.MakeFifo("0000:02:00.0", "device");
  tree.Add(IoBoard(0x1172, 0x1998, "0000:03:00.0"));
  tree.MakeFifo("0000:03:00.0", "resource");
  tree.Add(IoBoard(0x136C, 0xA036, "0000:04:00.0"));
  const Finished scan = Pcidiag({"scan"}, On(tree));
  EXPECT_EQ(scan.Status, 0);
  EXPECT_EQ(scan.Output,
            "Pci bus scan:\n\nBus 3 Slot 0 Function 0, VendorID 1172 DeviceID 1998\n"
            "Press Enter to continue to next slot\n"
            "Bus 4 Slot 0 Function 0, VendorID 136c DeviceID a036\n"
            "   Item IO: range 0xe000-0xe3ff\n   Item Bus: type 5, bus number 4, slot 00000000\n"
            "Press Enter to continue to next slot\n");
  EXPECT_NE(scan.Errors.find("0000:02:00.0/device: not a regular file"), std::string::npos) << scan.Errors;
  EXPECT_NE(scan.Errors.find("0000:03:00.0/resource: not a regular file"), std::string::npos);
}

// The functions under /sys/bus/pci/devices, as pcidiag's scan lines name them.
std::set<std::string> RealFunctions(std::vector<std::string>& names) {
  std::set<std::string> lines;
  for (const auto& entry : fs::directory_iterator(RealDevices)) {
    const std::string name = entry.path().filename().string();
    unsigned domain = 0, bus = 0, slot = 0, function = 0, vendor = 0, device = 0;
    if (std::sscanf(name.c_str(), "%x:%x:%x.%x", &domain, &bus, &slot, &function) != 4) continue;
    std::ifstream(entry.path() / "vendor") >> std::hex >> vendor;
    std::ifstream(entry.path() / "device") >> std::hex >> device;
    char line[96];
    std::snprintf(line, sizeof line, "Bus %u Slot %u Function %u, VendorID %04x DeviceID %04x",
                  domain << 8 | bus, slot, function, vendor, device);
    lines.insert(line);
    names.push_back(name);
  }
  return lines;
}

TEST(LinuxPcidiagTest, ScansThisMachinesBus) {
  if (!fs::exists(RealDevices)) GTEST_SKIP() << "no PCI bus here";
  std::vector<std::string> names;
  const std::set<std::string> expected = RealFunctions(names);
  const Finished run = Pcidiag({"scan"}, {{"LINEIO_SYSFS_ROOT", "/sys"}, {"LINEIO_DEV_ROOT", "/dev"}});
  EXPECT_EQ(run.Status, 0);
  std::set<std::string> listed;
  std::istringstream lines(run.Output);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("Bus ", 0) == 0) {
      EXPECT_TRUE(listed.insert(line).second) << "listed twice: " << line;
    }
  }
  EXPECT_EQ(listed, expected);
}

// What `pcidiag resources` must show for a function's `resource` and `irq`
// files: each used range among the first seven lines, or a line on standard
// error for one that does not fit 32 bits; the interrupt; the location.
struct ExpectedResources {
  std::string Output;
  std::vector<std::string> Errors;
};

ExpectedResources FromFiles(const std::string& name) {
  unsigned domain = 0, bus = 0, slot = 0, function = 0, irq = 0;
  std::sscanf(name.c_str(), "%x:%x:%x.%x", &domain, &bus, &slot, &function);
  ExpectedResources expected;
  std::ifstream resource(std::string(RealDevices) + "/" + name + "/resource");
  std::string text;
  for (int index = 0; index < 7 && std::getline(resource, text); ++index) {
    unsigned long long start = 0, end = 0, flags = 0;
    std::sscanf(text.c_str(), "%llx %llx %llx", &start, &end, &flags);
    if (end <= start || (flags & 0x30000000) != 0 || (flags & 0x300) == 0) continue;
    const char* kind = (flags & 0x100) != 0 ? "IO" : "Memory";
    char line[160];
    if (end > 0xFFFFFFFF) {
      std::snprintf(line, sizeof line, "%s range 0x%llx-0x%llx (resource %d) does not fit",
                    (flags & 0x100) != 0 ? "I/O" : "memory", start, end, index);
      expected.Errors.push_back(line);
    } else {
      std::snprintf(line, sizeof line, "   Item %s: range 0x%llx-0x%llx\n", kind, start, end);
      expected.Output += line;
    }
  }
  std::ifstream(std::string(RealDevices) + "/" + name + "/irq") >> irq;
  if (irq != 0) expected.Output += "   Item Interrupt: irq " + std::to_string(irq) + "\n";
  char line[96];
  std::snprintf(line, sizeof line, "   Item Bus: type 5, bus number %u, slot %08x\n", domain << 8 | bus,
                slot);
  expected.Output += line;
  return expected;
}

TEST(LinuxPcidiagTest, ResourcesOfEachRealFunctionAreItsResourceFile) {
  if (!fs::exists(RealDevices)) GTEST_SKIP() << "no PCI bus here";
  std::vector<std::string> names;
  RealFunctions(names);
  ASSERT_FALSE(names.empty());
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const ExpectedResources expected = FromFiles(name);
    const Finished run = Pcidiag({"resources", name}, {{"LINEIO_SYSFS_ROOT", "/sys"}});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Output, expected.Output);
    for (const std::string& error : expected.Errors)
      EXPECT_NE(run.Errors.find(error), std::string::npos) << run.Errors;
    EXPECT_EQ(Occurrences(run.Errors, "\n"), static_cast<int>(expected.Errors.size())) << run.Errors;
  }
}

}  // namespace
}  // namespace lineio::testing
