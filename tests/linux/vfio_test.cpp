// The VFIO path of the Linux backend without a kernel: the group that a
// function's `iommu_group` link names, the group's members and the line for a
// group that is not viable, how each range is reached through its region, and
// every refusal of a card bound to vfio-pci on a fake tree (the group node
// missing, a folder, or an ordinary file that is no VFIO group), each leaving
// nothing behind. The kernel lab runs the path on a real kernel.
#include <fcntl.h>
#include <linux/vfio.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "driver/transfer_commands.h"
#include "lineio.h"
#include "platform/linux/held_card.h"
#include "platform/linux/transfers.h"
#include "platform/linux/vfio_group.h"
#include "platform/linux/vfio_regions.h"
#include "portio/board_description.h"
#include "portio/startup.h"
#include "tests/linux/backend_fixture.h"

namespace lineio::testing {
namespace {

using platform::linuxpci::GroupMember;
using platform::linuxpci::GroupMembers;
using platform::linuxpci::GroupNumberOfLink;
using platform::linuxpci::GroupOfFunction;
using platform::linuxpci::HeldCard;
using platform::linuxpci::HeldRange;
using platform::linuxpci::NotViableText;
using platform::linuxpci::PerformTransfer;
using platform::linuxpci::PlanRange;
using platform::linuxpci::RangeAccess;
using platform::linuxpci::TransferOutcome;
using platform::linuxpci::VfioRegion;

constexpr char Board[] = "0000:03:00.0";
constexpr int Group = 7;

TEST(VfioGroupLinkTest, TheGroupIsTheLastPartOfTheLinkAsADecimalNumber) {
  struct Case {
    const char* Target;
    std::optional<std::uint32_t> Group;
  };
  const Case cases[] = {
      {"../../../kernel/iommu_groups/7", 7},
      {"/sys/kernel/iommu_groups/12/", 12},
      {"0", 0},
      {"../../../kernel/iommu_groups/4294967295", 4294967295U},
      {"../../../kernel/iommu_groups/4294967296", std::nullopt},
      {"../../../kernel/iommu_groups/", std::nullopt},
      {"../../../kernel/iommu_groups/x7", std::nullopt},
      {"../../../kernel/iommu_groups/7a", std::nullopt},
      {"../../../kernel/iommu_groups/-7", std::nullopt},
      {"../../../kernel/iommu_groups/ 7", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Target);
    EXPECT_EQ(GroupNumberOfLink(c.Target), c.Group);
  }
}

TEST(VfioRangePlanTest, EachRangeIsMappedReadAndWrittenOrRefusedByItsRegion) {
  constexpr std::uint32_t ReadWrite = VFIO_REGION_INFO_FLAG_READ | VFIO_REGION_INFO_FLAG_WRITE;
  constexpr std::uint32_t Mappable = ReadWrite | VFIO_REGION_INFO_FLAG_MMAP;
  constexpr std::uint64_t Offset = std::uint64_t{2} << 40;
  struct Case {
    const char* Name;
    VfioRegion Region;
    bool Io;
    std::uint32_t Length;
    std::optional<RangeAccess> Access;
    const char* Why;
  };
  const Case cases[] = {
      {"mappable memory", {Offset, 0x1000, Mappable}, false, 0x1000, RangeAccess::Mapped, ""},
      {"memory larger than the range", {Offset, 0x100000, Mappable}, false, 0x1000, RangeAccess::Mapped, ""},
      {"memory the kernel will not map",
       {Offset, 0x100, ReadWrite},
       false,
       0x100,
       RangeAccess::ReadWrite,
       ""},
      {"an I/O range, even where mapping is offered",
       {Offset, 0x100, Mappable},
       true,
       0x100,
       RangeAccess::ReadWrite,
       ""},
      {"a region smaller than the range",
       {Offset, 0x800, Mappable},
       false,
       0x1000,
       std::nullopt,
       "its region holds 2048 bytes, fewer than the range's 4096"},
      {"a region of no bytes",
       {Offset, 0, 0},
       true,
       0x100,
       std::nullopt,
       "its region holds 0 bytes, fewer than the range's 256"},
      {"a read-only region",
       {Offset, 0x1000, VFIO_REGION_INFO_FLAG_READ | VFIO_REGION_INFO_FLAG_MMAP},
       false,
       0x1000,
       std::nullopt,
       "the kernel does not let its region be both read and written"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::string why;
    const auto plan = PlanRange(c.Region, c.Io, c.Length, why);
    ASSERT_EQ(plan.has_value(), c.Access.has_value()) << why;
    EXPECT_EQ(why, c.Why);
    if (!plan) continue;
    EXPECT_EQ(plan->Access, *c.Access);
    EXPECT_EQ(plan->FileOffset, Offset);
  }
}

// A memory range whose region the kernel will not map: each transfer is a
// pread or pwrite of the device descriptor at the region's offset plus the
// register's (a file stands in for the descriptor); once the device was let
// go, transfers on it are refused.
TEST(VfioReadWriteRangeTest, AnUnmappedMemoryRangeIsReadAndWrittenAtItsRegionsOffset) {
  constexpr std::uint32_t Base = 0xE8000000;
  constexpr off_t RegionOffset = 0x10000;
  char path[] = "/tmp/lineio-region-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  unlink(path);
  ASSERT_EQ(ftruncate(fd, RegionOffset + 0x100), 0);
  HeldCard card;
  HeldRange range;
  range.Base = Base;
  range.Length = 0x100;
  range.Fd = fd;
  range.OwnsFd = false;
  range.FileOffset = RegionOffset;
  card.Ranges.push_back(range);
  const auto transfer = [&](std::uint32_t readFlag, std::uint32_t address, std::uint32_t& value) {
    TransferCommand command{};
    command.Command = BlockTransferCommand(readFlag, 2, true);
    command.Address = address;
    command.ByteCount = sizeof value;
    command.AutoIncrement = 1;
    command.Data = reinterpret_cast<std::uintptr_t>(&value);
    return PerformTransfer(card, command);
  };
  std::uint32_t value = 0x12345678;
  EXPECT_EQ(transfer(0, Base + 0x10, value), TransferOutcome::Done);
  std::uint8_t bytes[4] = {};
  ASSERT_EQ(pread(fd, bytes, sizeof bytes, RegionOffset + 0x10), 4);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 4), (std::vector<std::uint8_t>{0x78, 0x56, 0x34, 0x12}));
  std::uint32_t read = 0;
  EXPECT_EQ(transfer(1, Base + 0x10, read), TransferOutcome::Done);
  EXPECT_EQ(read, 0x12345678U);
  EXPECT_EQ(transfer(1, Base + 0xFE, read), TransferOutcome::NotInCard);
  card.Released = true;
  read = 0;
  EXPECT_EQ(transfer(1, Base + 0x10, read), TransferOutcome::Refused);
  EXPECT_EQ(read, 0U);
  close(fd);
}

class VfioTreeTest : public BackendTest {
 public:
  ~VfioTreeTest() override { PortEnd(); }

  // The board bound to vfio-pci in its group, with `others` beside it.
  void AddGroup(const std::vector<std::pair<std::string, std::string>>& others = {}) {
    Tree.Remove(Board);
    FakeFunction board = MemoryBoard(ThisBoard().Vendor, ThisBoard().Device);
    board.Driver = "vfio-pci";
    board.IommuGroup = Group;
    Tree.Add(board);
    for (const auto& [name, driver] : others) {
      FakeFunction other = IoBoard(0x8086, 0x10D3, name);
      other.Driver = driver;
      other.IommuGroup = Group;
      Tree.Add(other);
    }
  }
  std::string GroupNode() const { return Tree.DevRoot() + "/vfio/" + std::to_string(Group); }
};

TEST_F(VfioTreeTest, TheGroupsMembersAndTheLineForAGroupThatIsNotViable) {
  AddGroup({{"0000:03:00.2", "pcieport"}, {"0000:03:00.1", "e1000e"}, {"0000:03:00.3", ""}});
  const std::string directory = Tree.FunctionDirectory(Board);
  EXPECT_EQ(GroupOfFunction(directory), std::optional<std::uint32_t>(Group));
  const std::vector<GroupMember> members = GroupMembers(directory);
  ASSERT_EQ(members.size(), 4U);
  const std::pair<const char*, const char*> expected[] = {{"0000:03:00.0", "vfio-pci"},
                                                          {"0000:03:00.1", "e1000e"},
                                                          {"0000:03:00.2", "pcieport"},
                                                          {"0000:03:00.3", ""}};
  for (std::size_t i = 0; i < members.size(); ++i) {
    EXPECT_EQ(members[i].Name, expected[i].first);
    EXPECT_EQ(members[i].Driver, expected[i].second);
  }
  EXPECT_EQ(NotViableText(Board, Group, members),
            "IOMMU group 7 of 0000:03:00.0 is not viable: it also holds 0000:03:00.1 (e1000e); unbind those "
            "from their drivers or bind them to vfio-pci too (see README, \"Boards behind an IOMMU: "
            "vfio-pci\")");
  Tree.Remove("0000:03:00.1");
  EXPECT_NE(NotViableText(Board, Group, GroupMembers(directory))
                .find("it also holds a function of the group that the kernel still holds"),
            std::string::npos);
}

TEST_F(VfioTreeTest, AFunctionWithoutAGroupHasNoMembers) {
  EXPECT_EQ(GroupOfFunction(Tree.FunctionDirectory(Board)), std::nullopt);
  EXPECT_TRUE(GroupMembers(Tree.FunctionDirectory(Board)).empty());
}

TEST_F(VfioTreeTest, ACardBoundToVfioThatCannotBeOpenedIsRefusedWithItsLineLeavingNothing) {
  struct Case {
    const char* Name;
    void (*Arrange)(VfioTreeTest&);
    int32_t Code;
    std::string Line;
  };
  const std::string node = GroupNode();
  const Case cases[] = {
      {"no IOMMU group",
       [](VfioTreeTest& t) { std::filesystem::remove(t.Tree.FunctionDirectory(Board) + "/iommu_group"); },
       LINEIO_FAILURE_BINDING,
       "lineio: 0000:03:00.0 is bound to vfio-pci but belongs to no IOMMU group: turn the IOMMU on "
       "(intel_iommu=on or amd_iommu=on on the kernel command line)\n"},
      {"no group node", [](VfioTreeTest&) {}, LINEIO_FAILURE_BINDING,
       "lineio: cannot open " + node +
           ": no such file: load vfio-pci and bind the card to it (see README, \"Boards behind an IOMMU: "
           "vfio-pci\")\n"},
      {"a folder as the group node",
       [](VfioTreeTest& t) { std::filesystem::create_directories(t.GroupNode()); }, LINEIO_FAILURE_OTHER,
       "lineio: cannot open " + node + ": Is a directory\n"},
      {"an ordinary file as the group node",
       [](VfioTreeTest& t) {
         std::filesystem::create_directories(t.Tree.DevRoot() + "/vfio");
         std::ofstream(t.GroupNode()) << "not a group\n";
         std::ofstream(t.Tree.DevRoot() + "/vfio/vfio") << "not a container\n";
       },
       // then the system's reason, which an emulator words otherwise (ENOSYS)
       LINEIO_FAILURE_OTHER, "lineio: " + node + " is not a VFIO group: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::filesystem::remove_all(Tree.DevRoot() + "/vfio");
    AddGroup();
    c.Arrange(*this);
    Service();
    const HeldResources before = CountHeld(Tree.Root());
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    PortInit(0);
    const std::string printed = ::testing::internal::GetCapturedStdout();
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed, "error - could not lock device, already in use\n");
    EXPECT_EQ(errors.substr(0, c.Line.size()), c.Line);
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    EXPECT_EQ(LineioLastFailure(), c.Code);
    EXPECT_EQ(LineioBoardAccess(), LINEIO_ACCESS_NONE);
    EXPECT_EQ(Service().HeldCards(), 0);
    PortEnd();
    EXPECT_EQ(CountHeld(Tree.Root()), before);
  }
}

}  // namespace
}  // namespace lineio::testing
