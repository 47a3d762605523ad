// A generic PCI card: configuration space with read-only and writable bits,
// base address registers that answer sizing writes, memory ranges backed by
// real memory and I/O ranges backed by a plain register file.
#include "sim/sim_card.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

namespace lineio::sim {

namespace {

// Low bits of a base address register that are not address bits.
constexpr std::uint32_t IoTypeBits = 0x3;
constexpr std::uint32_t MemoryTypeBits = 0xF;
constexpr std::uint32_t RomTypeBits = 0x7FF;
constexpr std::uint32_t IoSpaceIndicator = 0x1;
constexpr std::uint32_t RomEnableBit = 0x1;

// Command register bits set for a card with I/O or memory ranges.
constexpr std::uint32_t CommandIoEnable = 0x1;
constexpr std::uint32_t CommandMemoryEnable = 0x2;
// Writable bits of the command register: I/O, memory, bus master and the
// other classic enables up to the interrupt disable bit.
constexpr std::uint32_t CommandWritable = 0x07FF;
constexpr std::uint32_t StatusAtReset = 0x0200;  // medium device select timing
constexpr std::uint32_t InterruptPinA = 1;

constexpr std::uint8_t AbsentByte = 0xFF;

// Size mask of a range: the address bits that a sizing write sets.
std::uint32_t SizeMask(std::uint32_t length, std::uint32_t typeBits) {
  const std::uint32_t size = std::bit_ceil(std::max(length, typeBits + 1));
  return ~(size - 1) & ~typeBits;
}

}  // namespace

struct SimCard::Range {
  int Bar;
  bool Io;
  std::uint32_t Base;
  std::uint32_t Length;
  // Memory contents, or the I/O register file: made zeroed at the first
  // access that needs them, so that a bus of many cards (a large dump) costs
  // no memory for ranges nobody touches.
  std::unique_ptr<std::uint8_t[]> Bytes;
  std::uint8_t* Contents() {
    if (!Bytes) Bytes = std::make_unique<std::uint8_t[]>(Length);  // zeroed, new-aligned
    return Bytes.get();
  }
  std::uint8_t ByteAt(std::size_t at) const { return Bytes ? Bytes[at] : 0; }
};

SimCard::SimCard(std::uint16_t vendor, std::uint16_t device) {
  ConfigPoke(ConfigVendor, 2, vendor);
  ConfigPoke(ConfigDevice, 2, device);
  ConfigPoke(ConfigStatus, 2, StatusAtReset);
  ConfigPoke(ConfigSubsystemVendor, 2, vendor);
  ConfigPoke(ConfigSubsystem, 2, device);
  SetWritable(ConfigCommand, 2, CommandWritable);
  SetWritable(ConfigCacheLineSize, 1, 0xFF);
  SetWritable(ConfigLatencyTimer, 1, 0xFF);
  SetWritable(ConfigInterruptLine, 1, 0xFF);
  for (std::uint32_t offset = ConfigDeviceSpecific; offset < ConfigSpaceBytes; ++offset) {
    writable_[offset] = 0xFF;
  }
}

SimCard::~SimCard() = default;

std::uint16_t SimCard::Vendor() const { return static_cast<std::uint16_t>(ConfigRead(ConfigVendor, 2)); }

std::uint16_t SimCard::Device() const { return static_cast<std::uint16_t>(ConfigRead(ConfigDevice, 2)); }

void SimCard::SetClassCode(std::uint32_t classCode) { ConfigPoke(ConfigClassCode, 3, classCode); }

void SimCard::AddIoRange(int bar, std::uint32_t base, std::uint32_t length) {
  AddRange(bar, base, length, true);
  items_.push_back(ResourceItem{ItemIo, 0, base, length, 0, 0, 0});
}

void SimCard::AddMemoryRange(int bar, std::uint32_t base, std::uint32_t length) {
  AddRange(bar, base, length, false);
  items_.push_back(ResourceItem{ItemMemory, 0, base, length, 0, 0, 0});
}

void SimCard::AddRange(int bar, std::uint32_t base, std::uint32_t length, bool io) {
  if (bar < 0 || bar > ExpansionRomBar) throw std::invalid_argument("no such base address register");
  if (HasRange(bar)) throw std::invalid_argument("base address register already in use");
  if (length == 0) throw std::invalid_argument("empty range");

  auto range = std::make_unique<Range>();
  range->Bar = bar;
  range->Io = io;
  range->Base = base;
  range->Length = length;
  ranges_.push_back(std::move(range));

  const std::uint32_t offset = BarOffset(bar);
  if (bar == ExpansionRomBar) {
    ConfigPoke(offset, 4, base & ~RomTypeBits);
    SetWritable(offset, 4, SizeMask(length, RomTypeBits) | RomEnableBit);
  } else if (io) {
    ConfigPoke(offset, 4, (base & ~IoTypeBits) | IoSpaceIndicator);
    SetWritable(offset, 4, SizeMask(length, IoTypeBits));
  } else {
    ConfigPoke(offset, 4, base & ~MemoryTypeBits);
    SetWritable(offset, 4, SizeMask(length, MemoryTypeBits));
  }
  const std::uint32_t enable = io ? CommandIoEnable : CommandMemoryEnable;
  ConfigPoke(ConfigCommand, 2, ConfigRead(ConfigCommand, 2) | enable);
}

void SimCard::AddInterrupt(std::uint32_t line) {
  items_.push_back(ResourceItem{ItemInterrupt, 0, line, 0, 0, 0, 0});
  if (InterruptLine() == line) {
    ConfigPoke(ConfigInterruptLine, 1, line);
    ConfigPoke(ConfigInterruptPin, 1, InterruptPinA);
  }
}

void SimCard::AddBusItem(std::uint32_t busType, std::uint32_t busNumber, std::uint32_t slot) {
  items_.push_back(ResourceItem{ItemBus, 0, busType, busNumber, slot, 0, 0});
}

void SimCard::AddLocationItem(std::uint32_t busType) {
  locationItems_.push_back(items_.size());
  AddBusItem(busType, 0, 0);
}

void SimCard::AddRawItem(const ResourceItem& item) { items_.push_back(item); }

const std::vector<ResourceItem>& SimCard::Items() const { return items_; }

void SimCard::PlaceAt(const PciSlot& slot) {
  for (std::size_t index : locationItems_) {
    items_[index].Value1 = slot.Bus;
    items_[index].Value2 = slot.Slot;
    items_[index].Value4 = slot.Function;
  }
}

std::uint32_t SimCard::ConfigRead(std::uint32_t offset, std::uint32_t bytes) const {
  std::uint32_t value = 0;
  for (std::uint32_t i = 0; i < bytes && i < 4; ++i) {
    const std::uint64_t at = std::uint64_t{offset} + i;
    const std::uint8_t byte = at < ConfigSpaceBytes ? config_[static_cast<std::size_t>(at)] : AbsentByte;
    value |= std::uint32_t{byte} << (8 * i);
  }
  return value;
}

void SimCard::ConfigWrite(std::uint32_t offset, std::uint32_t bytes, std::uint32_t value) {
  for (std::uint32_t i = 0; i < bytes && i < 4; ++i) {
    const std::uint64_t at = std::uint64_t{offset} + i;
    if (at >= ConfigSpaceBytes) return;
    const auto byte = static_cast<std::uint8_t>(value >> (8 * i));
    config_[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(
        (config_[static_cast<std::size_t>(at)] & ~writable_[static_cast<std::size_t>(at)]) |
        (byte & writable_[static_cast<std::size_t>(at)]));
  }
}

void SimCard::ConfigPoke(std::uint32_t offset, std::uint32_t bytes, std::uint32_t value) {
  for (std::uint32_t i = 0; i < bytes && i < 4; ++i) {
    const std::uint64_t at = std::uint64_t{offset} + i;
    if (at >= ConfigSpaceBytes) return;
    config_[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

void SimCard::SetWritable(std::uint32_t offset, std::uint32_t bytes, std::uint32_t mask) {
  for (std::uint32_t i = 0; i < bytes; ++i) {
    writable_[offset + i] = static_cast<std::uint8_t>(mask >> (8 * i));
  }
}

bool SimCard::HasRange(int bar) const { return RangeOf(bar) != nullptr; }

bool SimCard::IsIoRange(int bar) const {
  const Range* range = RangeOf(bar);
  return range != nullptr && range->Io;
}

std::uint32_t SimCard::RangeBase(int bar) const {
  const Range* range = RangeOf(bar);
  return range != nullptr ? range->Base : 0;
}

std::uint32_t SimCard::RangeLength(int bar) const {
  const Range* range = RangeOf(bar);
  return range != nullptr ? range->Length : 0;
}

std::uint8_t* SimCard::MemoryOf(int bar) {
  Range* range = RangeOf(bar);
  return range != nullptr && !range->Io ? range->Contents() : nullptr;
}

std::uintptr_t SimCard::MemoryAddressOf(int bar) const {
  const Range* range = RangeOf(bar);
  return range != nullptr && !range->Io ? reinterpret_cast<std::uintptr_t>(range->Bytes.get()) : 0;
}

std::int64_t SimCard::InterruptLine() const {
  for (const ResourceItem& item : items_) {
    if (item.Type == ItemInterrupt) return item.Value0;
  }
  return -1;
}

std::uint32_t SimCard::IoRead(int bar, std::uint32_t offset, int width) {
  const Range* range = RangeOf(bar);
  std::uint32_t value = 0;
  for (int i = 0; i < width; ++i) {
    const std::uint64_t at = std::uint64_t{offset} + static_cast<std::uint32_t>(i);
    const bool inside = range != nullptr && range->Io && at < range->Length;
    const std::uint8_t byte = inside ? range->ByteAt(static_cast<std::size_t>(at)) : AbsentByte;
    value |= std::uint32_t{byte} << (8 * i);
  }
  return value;
}

void SimCard::IoWrite(int bar, std::uint32_t offset, int width, std::uint32_t value) {
  Range* range = RangeOf(bar);
  if (range == nullptr || !range->Io) return;
  for (int i = 0; i < width; ++i) {
    const std::uint64_t at = std::uint64_t{offset} + static_cast<std::uint32_t>(i);
    if (at >= range->Length) return;
    range->Contents()[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

SimCard::Range* SimCard::RangeOf(int bar) {
  for (auto& range : ranges_) {
    if (range->Bar == bar) return range.get();
  }
  return nullptr;
}

const SimCard::Range* SimCard::RangeOf(int bar) const {
  for (const auto& range : ranges_) {
    if (range->Bar == bar) return range.get();
  }
  return nullptr;
}

}  // namespace lineio::sim
