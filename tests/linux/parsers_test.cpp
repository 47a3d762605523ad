// The strict parsers of the sysfs files: what the kernel writes is read
// exactly, and nothing else gets through.
#include <gtest/gtest.h>

#include <string>

#include "platform/linux/pci_address.h"
#include "platform/linux/real_bus_guard.h"
#include "platform/linux/resource_file.h"
#include "platform/linux/sysfs_number.h"

namespace lineio::platform::linuxpci {
namespace {

TEST(SysfsParserTest, NumbersAreHexWithPrefixOrDecimal) {
  struct Case {
    const char* Text;
    std::uint64_t Max;
    std::optional<std::uint64_t> Value;
  };
  const Case cases[] = {
      {"0x136c\n", 0xFFFF, 0x136C},
      {"0X136C", 0xFFFF, 0x136C},
      {"11\n", 0xFFFFFFFF, 11},
      {"010\n", 0xFFFFFFFF, 10},  // never octal
      {"0\n", 0xFFFF, 0},
      {"0x10000\n", 0xFFFF, std::nullopt},  // above the maximum
      {"0xffffffffffffffff", UINT64_MAX, UINT64_MAX},
      {"0x1ffffffffffffffff", UINT64_MAX, std::nullopt},   // 17 digits
      {"18446744073709551616", UINT64_MAX, std::nullopt},  // overflows 64 bits
      {"00000000000000000011\n", 0xFFFF, 11},              // 20 digits
      {"000000000000000000011\n", 0xFFFF, std::nullopt},   // 21 digits, although the value is small
      {"", 0xFFFF, std::nullopt},
      {"\n", 0xFFFF, std::nullopt},
      {"0x", 0xFFFF, std::nullopt},
      {"0x\n", 0xFFFF, std::nullopt},
      {" 1", 0xFFFF, std::nullopt},
      {"1 ", 0xFFFF, std::nullopt},
      {"-1", 0xFFFF, std::nullopt},
      {"+1", 0xFFFF, std::nullopt},
      {"1\n\n", 0xFFFF, std::nullopt},
      {"0x12g4", 0xFFFF, std::nullopt},
      {"garbage\n", 0xFFFF, std::nullopt},
      {"12abc", 0xFFFF, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(ParseSysfsNumber(c.Text, c.Max), c.Value);
  }
}

TEST(SysfsParserTest, DeviceNamesAreTheKernelsForm) {
  struct Case {
    const char* Name;
    std::optional<PciAddress> Address;
  };
  const Case cases[] = {
      {"0000:03:00.0", PciAddress{0, 3, 0, 0}},
      {"0001:ff:1f.7", PciAddress{1, 0xFF, 0x1F, 7}},
      {"10000:00:02.1", PciAddress{0x10000, 0, 2, 1}},  // VMD domains have five digits
      {"ABCD:0A:0B.3", PciAddress{0xABCD, 0xA, 0xB, 3}},
      {"000:03:00.0", std::nullopt},
      {"123456789:00:00.0", std::nullopt},
      {"0000:3:00.0", std::nullopt},
      {"0000:003:00.0", std::nullopt},
      {"0000:03:20.0", std::nullopt},  // slot above 0x1f
      {"0000:03:00.8", std::nullopt},  // function above 7
      {"0000:03:00.0 ", std::nullopt},
      {"0000:03:00:0", std::nullopt},
      {"0000:03.00.0", std::nullopt},
      {"zzzz:03:00.0", std::nullopt},
      {"", std::nullopt},
      {".", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(ParseDeviceName(c.Name), c.Address);
    if (c.Address) {
      std::string lower = c.Name;
      for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      EXPECT_EQ(DeviceName(*c.Address), lower);
    }
  }
}

TEST(SysfsParserTest, DomainsTravelInTheBusNumber) {
  const PciSlot domainZero = *SlotOf(PciAddress{0, 3, 4, 5});
  EXPECT_EQ(domainZero.Bus, 3u);
  const PciSlot other = *SlotOf(PciAddress{0x1234, 0x56, 0x1F, 7});
  EXPECT_EQ(other.Bus, 0x123456u);
  EXPECT_EQ(other.Slot, 0x1Fu);
  EXPECT_EQ(other.Function, 7u);
  EXPECT_EQ(AddressOf(other), (PciAddress{0x1234, 0x56, 0x1F, 7}));
  EXPECT_EQ(SlotOf(PciAddress{0x1000000, 0, 0, 0}), std::nullopt);
  EXPECT_EQ(AddressOf(PciSlot{0, 0x20, 0}), std::nullopt);
  EXPECT_EQ(AddressOf(PciSlot{0, 0, 8}), std::nullopt);
}

std::string Line(std::uint64_t start, std::uint64_t end, std::uint64_t flags) {
  char text[80];
  std::snprintf(text, sizeof text, "0x%016llx 0x%016llx 0x%016llx\n", static_cast<unsigned long long>(start),
                static_cast<unsigned long long>(end), static_cast<unsigned long long>(flags));
  return text;
}

std::string Lines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += Line(0, 0, 0);
  return text;
}

TEST(SysfsParserTest, ResourceFilesParseLineByLine) {
  const std::string text = Line(0xE000, 0xE3FF, 0x40101) + Line(0xE8000000, 0xE8000FFF, 0x40200) +
                           Line(0x4000000000, 0x400007FFFF, 0x140204) + Lines(4);
  const auto parsed = ParseResourceFile(text);
  ASSERT_TRUE(std::holds_alternative<std::vector<ResourceLine>>(parsed));
  const auto& lines = std::get<std::vector<ResourceLine>>(parsed);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_TRUE(IsUsed(lines[0]));
  EXPECT_EQ(LengthOf(lines[0]), 0x400u);
  EXPECT_EQ(lines[1].Flags & ResourceMemory, ResourceMemory);
  EXPECT_EQ(lines[2].Start, 0x4000000000u);
  EXPECT_FALSE(IsUsed(lines[3]));
  // The kernel's own marks of a range it has not placed.
  EXPECT_FALSE(IsUsed(ResourceLine{0, 0xFFF, ResourceMemory | ResourceUnset}));
  EXPECT_FALSE(IsUsed(ResourceLine{0x1000, 0x1FFF, ResourceMemory | ResourceDisabled}));
  EXPECT_TRUE(std::holds_alternative<std::vector<ResourceLine>>(ParseResourceFile(Lines(32))));
}

TEST(SysfsParserTest, MalformedResourceFilesAreRefusedWithTheirLine) {
  struct Case {
    const char* Name;
    std::string Text;
    std::size_t Line;
    const char* Reason;
  };
  const Case cases[] = {
      {"empty", "", 0, "empty"},
      {"too few fields", Lines(2) + "0x0000000000000000 0x0000000000000000\n", 3, "too few fields"},
      {"too many fields", "0x0 0x0 0x0 0x0\n", 1, "too many fields"},
      {"not hexadecimal", "0x0 0xzz 0x0\n", 1, "not a hexadecimal field: \"0xzz\""},
      {"no prefix", "0 0x0 0x0\n", 1, "not a hexadecimal field: \"0\""},
      {"seventeen digits", "0x0 0x00000000000000000 0x0\n", 1,
       "not a hexadecimal field: \"0x00000000000000000\""},
      {"two blanks", "0x0  0x0 0x0\n", 1, "not a hexadecimal field: \"\""},
      {"end below start", Line(0xE000, 0xDFFF, 0x101), 1, "end below start"},
      {"no line end", "0x0 0x0 0x0", 0, "the last line has no line end"},
      {"blank line", Lines(1) + "\n", 2, "too few fields"},
      {"100 lines", Lines(100), 0, "more than 32 lines"},
      {"33 lines", Lines(33), 0, "more than 32 lines"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const auto parsed = ParseResourceFile(c.Text);
    ASSERT_TRUE(std::holds_alternative<ResourceFileError>(parsed));
    EXPECT_EQ(std::get<ResourceFileError>(parsed).Line, c.Line);
    EXPECT_EQ(std::get<ResourceFileError>(parsed).Reason, c.Reason);
  }
}

// The kernel lab's guest is known by a whole word of its kernel command line;
// nothing that merely contains the marker counts.
TEST(SysfsParserTest, TheKernelLabMarkerIsAWholeWordOfTheCommandLine) {
  struct Case {
    const char* CommandLine;
    bool Guest;
  };
  const Case cases[] = {
      {"lineio.kernel_lab=1", true},
      {"console=ttyS0 quiet lineio.kernel_lab=1 panic=-1\n", true},
      {"lineio.kernel_lab=1\n", true},
      {"\tlineio.kernel_lab=1\t", true},
      {"BOOT_IMAGE=/vmlinuz root=/dev/vda1 ro quiet\n", false},
      {"", false},
      {"lineio.kernel_lab=10", false},
      {"lineio.kernel_lab=0", false},
      {"xlineio.kernel_lab=1", false},
      {"init=/bin/sh\"lineio.kernel_lab=1\"", false},
      {"lineio.kernel_lab", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.CommandLine);
    EXPECT_EQ(HasKernelLabMarker(c.CommandLine), c.Guest);
  }
}

}  // namespace
}  // namespace lineio::platform::linuxpci
