// The Linux backend's reader of a PCI function's `resource` file
// (ParseResourceFile), and the resource items it describes the function by
// (DescribeFunction), on a tree of ordinary files under a temporary
// directory (never the machine's /sys).
//
// Input: one byte choosing the function's `irq` file (mod 4: "11", "0",
// "4294967295", none), then the `resource` file's text.
//
// A file the reader takes must have 1 to 32 lines, each with its end at or
// above its start, and read back the same when written as the kernel writes
// it. The description must then hold one I/O or memory item for each used
// range among the first seven lines that fits the records' 32-bit fields,
// each with the range's own base and length, the interrupt when there is one
// and the bus item naming the function; a refused file describes nothing.
#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "driver/records.h"
#include "fuzz/harness_support.h"
#include "platform/linux/card_info.h"
#include "platform/linux/pci_address.h"
#include "platform/linux/resource_file.h"

namespace lineio::fuzz {

namespace {

using platform::linuxpci::ResourceFileError;
using platform::linuxpci::ResourceLine;

constexpr platform::linuxpci::PciAddress Function{0, 3, 0, 0};
constexpr const char* IrqTexts[] = {"11\n", "0\n", "4294967295\n"};
constexpr std::size_t IrqChoices = sizeof IrqTexts / sizeof IrqTexts[0] + 1;
constexpr std::uint64_t Max32 = 0xFFFFFFFF;
constexpr std::size_t LineTextBytes = 64;

// The devices directory of a temporary tree, with the function's directory
// in it; removed when the harness ends.
class TemporaryTree {
 public:
  // In memory (/dev/shm) where there is one: a file system on a disk
  // spends most of each run on the two files written.
  TemporaryTree() {
    char inMemory[] = "/dev/shm/lineio-fuzz-sysfs-XXXXXX";
    char onDisk[] = "/tmp/lineio-fuzz-sysfs-XXXXXX";
    const char* path = mkdtemp(inMemory);
    if (path == nullptr) path = mkdtemp(onDisk);
    Require(path != nullptr, "a temporary directory");
    devices_ = path;
    std::filesystem::create_directory(FunctionDirectory());
  }
  ~TemporaryTree() { std::filesystem::remove_all(devices_); }
  TemporaryTree(const TemporaryTree&) = delete;
  TemporaryTree& operator=(const TemporaryTree&) = delete;

  const std::string& DevicesDirectory() const { return devices_; }
  std::string FunctionDirectory() const { return devices_ + "/" + platform::linuxpci::DeviceName(Function); }

 private:
  std::string devices_;
};

const TemporaryTree& Tree() {
  static const TemporaryTree Instance;
  return Instance;
}

void WriteFile(const std::string& path, std::string_view text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  Require(file.good(), "a file of the temporary tree written");
}

std::string KernelText(const std::vector<ResourceLine>& lines) {
  std::string text;
  for (const ResourceLine& line : lines) {
    char row[LineTextBytes];
    std::snprintf(row, sizeof row, "0x%016" PRIx64 " 0x%016" PRIx64 " 0x%016" PRIx64 "\n", line.Start,
                  line.End, line.Flags);
    text += row;
  }
  return text;
}

void CheckLines(std::string_view text, const std::vector<ResourceLine>& lines) {
  Require(!lines.empty() && lines.size() <= platform::linuxpci::MaxResourceLines,
          "a resource file has 1 to 32 lines");
  Require(lines.size() == static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')),
          "a resource file has a line for each line end");
  for (const ResourceLine& line : lines)
    Require(line.End >= line.Start, "a resource ends at or above its start");
  const auto again = platform::linuxpci::ParseResourceFile(KernelText(lines));
  const auto* reread = std::get_if<std::vector<ResourceLine>>(&again);
  Require(reread != nullptr && reread->size() == lines.size(), "the kernel's form of the lines reads back");
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const ResourceLine& a = lines[i];
    const ResourceLine& b = (*reread)[i];
    Require(a.Start == b.Start && a.End == b.End && a.Flags == b.Flags, "a line reads back the same");
  }
}

bool FitsRecords(const ResourceLine& line) {
  return platform::linuxpci::IsUsed(line) &&
         (line.Flags & (platform::linuxpci::ResourceIo | platform::linuxpci::ResourceMemory)) != 0 &&
         line.End <= Max32 && platform::linuxpci::LengthOf(line) <= Max32;
}

void CheckItems(const std::vector<ResourceLine>& lines, const CardResources& card, bool interrupt) {
  std::size_t expectedRanges = 0;
  for (std::size_t i = 0; i <= platform::linuxpci::RomLine && i < lines.size(); ++i) {
    if (FitsRecords(lines[i])) ++expectedRanges;
  }
  std::size_t ranges = 0;
  std::size_t line = 0;
  for (std::uint32_t i = 0; i < ItemsIn(card); ++i) {
    const ResourceItem& item = card.Items[i];
    if (item.Type != ItemIo && item.Type != ItemMemory) continue;
    ++ranges;
    while (line < lines.size() && !FitsRecords(lines[line])) ++line;
    Require(line < lines.size(), "each range item has its line");
    const ResourceLine& range = lines[line++];
    Require(item.Value0 == range.Start, "a range item starts where its range does");
    Require(item.Value1 != 0 && std::uint64_t{item.Value0} + item.Value1 - 1 == range.End,
            "a range item is as long as its range");
    Require((item.Type == ItemIo) == ((range.Flags & platform::linuxpci::ResourceIo) != 0),
            "a range item is I/O exactly when its range is");
  }
  Require(ranges == expectedRanges, "every range that fits the records has its item");
  Require(ItemsIn(card) == ranges + (interrupt ? 1 : 0) + 1, "the interrupt and bus items follow the ranges");
  const auto location = platform::linuxpci::LocationOf(card);
  Require(location && *location == Function, "the bus item names the function");
}

}  // namespace

int RunInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t irqChoice = data[0] % IrqChoices;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const auto parsed = platform::linuxpci::ParseResourceFile(text);
  const auto* lines = std::get_if<std::vector<ResourceLine>>(&parsed);
  if (lines != nullptr) {
    CheckLines(text, *lines);
  } else {
    const ResourceFileError& error = std::get<ResourceFileError>(parsed);
    Require(error.Line <= static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1,
            "a refusal names a line of the file");
  }

  const std::string directory = Tree().FunctionDirectory();
  WriteFile(directory + "/resource", text);
  std::filesystem::remove(directory + "/irq");
  if (irqChoice < IrqChoices - 1) WriteFile(directory + "/irq", IrqTexts[irqChoice]);
  CardResources card{};
  bool described = false;
  {
    // Ranges left out and unreadable files are named on standard error.
    const QuietStderr quiet;
    described = platform::linuxpci::DescribeFunction(Tree().DevicesDirectory(), Function, card);
  }
  Require(described == (lines != nullptr), "a function is described exactly when its resource file reads");
  if (lines == nullptr) {
    Require(card.ItemCount == 0, "a function whose resource file is refused has no item");
    return 0;
  }
  CheckItems(*lines, card, irqChoice == 0 || irqChoice == 2);
  return 0;
}

}  // namespace lineio::fuzz
