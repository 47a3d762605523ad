#include "tools/pcidiag/bus_dump_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <vector>

#include "sim/bus_dump.h"

namespace lineio::pcidiag {

namespace {

constexpr std::uint32_t FirstBar = 0x10;
constexpr std::uint32_t HeaderType = 0x0E;
constexpr std::uint8_t HeaderLayoutMask = 0x7F;
constexpr std::uint32_t IoSpaceBit = 0x1;
constexpr std::uint32_t MemoryTypeMask = 0x6;
constexpr std::uint32_t Memory64Bit = 0x4;
constexpr std::uint32_t MemoryAddressMask = ~std::uint32_t{0xF};
constexpr int CardBars = 6;
constexpr int BridgeBars = 2;

std::uint32_t Dword(const sim::CardDump& card, std::uint32_t offset) {
  std::uint32_t value = 0;
  for (std::uint32_t i = 0; i < 4; ++i) {
    if (offset + i < card.Config.size()) value |= std::uint32_t{card.Config[offset + i]} << (8 * i);
  }
  return value;
}

// Names the 64-bit memory ranges that lie above 4 GiB: the driver's 32-bit
// address fields cannot hold them.
void NameWideRanges(const sim::CardDump& card) {
  const std::uint8_t layout = HeaderType < card.Config.size()
                                  ? static_cast<std::uint8_t>(card.Config[HeaderType] & HeaderLayoutMask)
                                  : 0;
  const int bars = layout == 0 ? CardBars : layout == 1 ? BridgeBars : 0;
  for (int bar = 0; bar < bars; ++bar) {
    const std::uint32_t low = Dword(card, FirstBar + 4 * static_cast<std::uint32_t>(bar));
    if ((low & IoSpaceBit) != 0 || (low & MemoryTypeMask) != Memory64Bit || bar + 1 >= bars) continue;
    const std::uint32_t high = Dword(card, FirstBar + 4 * static_cast<std::uint32_t>(bar + 1));
    if (high != 0) {
      std::fprintf(
          stderr,
          "pcidiag: %02x:%02x.%x: memory range at 0x%08x%08x (base address register %d) does not fit "
          "the driver records' 32-bit fields; left out\n",
          card.Slot.Bus, card.Slot.Slot, card.Slot.Function, high, low & MemoryAddressMask, bar);
    }
    ++bar;
  }
}

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    std::fprintf(stderr, "pcidiag: cannot read %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    std::fprintf(stderr, "pcidiag: %s is not a regular file; a bus dump is a text file\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace

bool LoadDumpFile(const std::string& path, sim::SimBus& bus) {
  if (path.empty()) {
    std::fprintf(stderr, "pcidiag: --bus needs a file name\n");
    return false;
  }
  if (!IsRegularFile(path)) return false;
  std::ifstream file(path);
  if (!file) {
    std::fprintf(stderr, "pcidiag: cannot read %s\n", path.c_str());
    return false;
  }
  try {
    const std::vector<sim::CardDump> cards = sim::ParseBusDump(file);
    if (cards.empty()) {
      std::fprintf(stderr, "pcidiag: %s: the dump holds no card\n", path.c_str());
      return false;
    }
    for (const sim::CardDump& card : cards) {
      NameWideRanges(card);
      bus.AddCard(sim::MakeCardFromDump(card), card.Slot);
    }
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "pcidiag: %s: %s\n", path.c_str(), failure.what());
    return false;
  }
  return true;
}

}  // namespace lineio::pcidiag
