// The shipped libkestrel.so and libmerlin.so, loaded by a host program with
// dlopen, on fake trees that LINEIO_SYSFS_ROOT and LINEIO_DEV_ROOT point to.
// Each run is a process of its own, as each host application is.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/linux/child_process.h"
#include "tests/linux/fake_tree.h"

namespace lineio::testing {
namespace {

struct Deliverable {
  const char* Name;
  const char* Library;
  std::uint32_t Vendor;
  std::uint32_t Device;
};

// Names the parameter in test names and messages.
void PrintTo(const Deliverable& deliverable, std::ostream* out) { *out << deliverable.Name; }

const Deliverable Deliverables[] = {{"Kestrel", LINEIO_KESTREL_LIBRARY, 0x136C, 0xA036},
                                    {"Merlin", LINEIO_MERLIN_LIBRARY, 0x1172, 0x1998}};
constexpr char Board[] = "0000:03:00.0";

class LinuxAbiTest : public ::testing::TestWithParam<Deliverable> {
 public:
  std::map<std::string, std::string> Environment() const {
    return {{"LINEIO_SYSFS_ROOT", tree_.Root()}, {"LINEIO_DEV_ROOT", tree_.DevRoot()}};
  }
  std::vector<std::string> Host(std::vector<std::string> commands) const {
    commands.insert(commands.begin(), {LINEIO_ABI_HOST, GetParam().Library});
    return commands;
  }
  Finished Run(const std::vector<std::string>& commands) const {
    return RunProgram(Host(commands), Environment());
  }

 protected:
  FakeTree tree_;
};

TEST_P(LinuxAbiTest, ABusWithoutTheBoardOpensWithNoCardsFound) {
  tree_.Add(IoBoard(0x8086, 0x100E, "0000:00:03.0"));
  const Finished run = Run({"init", "0", "inpb", "0x310", "end"});
  EXPECT_EQ(run.Output, "no cards found\n= 1\n= 0\n= 1\n");
  EXPECT_EQ(run.Status, 0);
  // Without a readable bus the driver is missing.
  const Finished missing = RunProgram(Host({"init", "0"}), {{"LINEIO_SYSFS_ROOT", tree_.Root() + "/none"}});
  EXPECT_EQ(missing.Output, "Cannot open WinDriver device\n= 0\n");
}

TEST_P(LinuxAbiTest, RawAccessesLandInTheRangeFile) {
  for (const bool memory : {false, true}) {
    SCOPED_TRACE(memory ? "memory range" : "I/O range");
    tree_.Remove(Board);
    tree_.Add(memory ? MemoryBoard(GetParam().Vendor, GetParam().Device)
                     : IoBoard(GetParam().Vendor, GetParam().Device));
    const std::string range = tree_.RangeFile(Board, 0);
    tree_.WriteBytes(range, 0x40, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88});
    const Finished run = Run({"init", "0", "outb", "0x20", "0x1a5", "outw", "0x22", "0xbeef", "outd", "0x24",
                              "0x12345678", "inpb", "0x41", "inpw", "0x42", "inpd", "0x44", "end"});
    EXPECT_EQ(run.Output, "DOVEVED PCI card found!\n= 1\n= -\n= -\n= -\n= 22\n= 4433\n= 88776655\n= 1\n");
    EXPECT_EQ(run.Errors, "");
    EXPECT_EQ(tree_.ReadBytes(range, 0x20, 8),
              (std::vector<std::uint8_t>{0xA5, 0, 0xEF, 0xBE, 0x78, 0x56, 0x34, 0x12}));
    // PortInit's last act: the enable bit into the control register.
    EXPECT_EQ(tree_.ReadBytes(range, 0x314, 1)[0], 0x04);
  }
}

TEST_P(LinuxAbiTest, AHeldBoardIsRefusedToOthersUntilItsHolderEnds) {
  tree_.Add(IoBoard(GetParam().Vendor, GetParam().Device));
  const std::string opened = "DOVEVED PCI card found!\n= 1\n";
  const std::string refused = "error - could not lock device, already in use\n= 1\n";
  for (const bool killed : {false, true}) {
    SCOPED_TRACE(killed ? "holder killed" : "holder ends");
    ChildProcess holder(Host({"init", "0", "hold", "end"}), Environment());
    EXPECT_EQ(holder.ReadLine(), "DOVEVED PCI card found!");
    EXPECT_EQ(holder.ReadLine(), "= 1");
    ASSERT_EQ(holder.ReadLine(), "holding");
    EXPECT_EQ(Run({"init", "0"}).Output, refused);
    if (killed) {
      holder.Kill();
    } else {
      EXPECT_EQ(holder.Finish().Output, "= 1\n");
    }
    EXPECT_EQ(Run({"init", "0"}).Output, opened);
  }
}

INSTANTIATE_TEST_SUITE_P(Deliverables, LinuxAbiTest, ::testing::ValuesIn(Deliverables),
                         [](const ::testing::TestParamInfo<Deliverable>& parameter) {
                           return std::string(parameter.param.Name);
                         });

}  // namespace
}  // namespace lineio::testing
