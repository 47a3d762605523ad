// A generic PCI card on the simulated bus: a 256-byte configuration space with
// base address registers, memory ranges that are plain memory, I/O ranges whose
// accesses are dispatched to the card's register model, and the resource list
// that the driver reports for it.
//
// The default register model is a plain register file (what is written is read
// back). Board models derive from SimCard and override IoRead/IoWrite.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "driver/records.h"

namespace lineio::sim {

inline constexpr int ConfigSpaceBytes = 256;
inline constexpr int BarCount = 6;
inline constexpr int ExpansionRomBar = 6;  // the register at 0x30

// Configuration space offsets of the standard header.
inline constexpr std::uint32_t ConfigVendor = 0x00;
inline constexpr std::uint32_t ConfigDevice = 0x02;
inline constexpr std::uint32_t ConfigCommand = 0x04;
inline constexpr std::uint32_t ConfigStatus = 0x06;
inline constexpr std::uint32_t ConfigRevision = 0x08;
inline constexpr std::uint32_t ConfigClassCode = 0x09;  // three bytes
inline constexpr std::uint32_t ConfigCacheLineSize = 0x0C;
inline constexpr std::uint32_t ConfigLatencyTimer = 0x0D;
inline constexpr std::uint32_t ConfigHeaderType = 0x0E;
inline constexpr std::uint32_t ConfigBist = 0x0F;
inline constexpr std::uint32_t ConfigBar0 = 0x10;
inline constexpr std::uint32_t ConfigSubsystemVendor = 0x2C;
inline constexpr std::uint32_t ConfigSubsystem = 0x2E;
inline constexpr std::uint32_t ConfigExpansionRom = 0x30;
inline constexpr std::uint32_t ConfigInterruptLine = 0x3C;
inline constexpr std::uint32_t ConfigInterruptPin = 0x3D;
// From here to the end of the space: device-specific registers, all writable.
inline constexpr std::uint32_t ConfigDeviceSpecific = 0x40;

// The bus type of the bus item that the simulated driver reports (PCI).
inline constexpr std::uint32_t PciBusType = 5;

// Configuration offset of a base address register (0..5) or of the expansion
// ROM register (6).
constexpr std::uint32_t BarOffset(int bar) {
  return bar == ExpansionRomBar ? ConfigExpansionRom : ConfigBar0 + 4 * static_cast<std::uint32_t>(bar);
}

class SimCard {
 public:
  SimCard(std::uint16_t vendor, std::uint16_t device);
  virtual ~SimCard();
  SimCard(const SimCard&) = delete;
  SimCard& operator=(const SimCard&) = delete;

  std::uint16_t Vendor() const;
  std::uint16_t Device() const;
  // The 24-bit class code (base class, subclass, programming interface).
  void SetClassCode(std::uint32_t classCode);

  // Resources. Each adds the matching resource item in call order and, for
  // ranges, programs the base address register (I/O: bit 0 set). `bar` is 0..5,
  // or ExpansionRomBar; a bar may carry one range. Throws std::invalid_argument
  // on a bad bar, a bar already in use or a zero length.
  void AddIoRange(int bar, std::uint32_t base, std::uint32_t length);
  void AddMemoryRange(int bar, std::uint32_t base, std::uint32_t length);
  // Also sets the interrupt line and pin registers.
  void AddInterrupt(std::uint32_t line);
  void AddBusItem(std::uint32_t busType, std::uint32_t busNumber, std::uint32_t slot);
  // A bus item that names the card's own location: bus number, slot and
  // function are filled in when the card is placed on a bus (SimBus::AddCard).
  void AddLocationItem(std::uint32_t busType = PciBusType);
  // Any item at all, as the driver will report it (for odd resource lists).
  void AddRawItem(const ResourceItem& item);
  const std::vector<ResourceItem>& Items() const;
  // Called by the bus when the card is placed: fills in the location items.
  void PlaceAt(const PciSlot& slot);

  // Configuration space, as the driver reads and writes it: read-only bits keep
  // their value; a base address register answers a write of all ones with its
  // size mask. Offsets past the space read as all ones and ignore writes.
  // `bytes` is 1 to 4, little-endian.
  std::uint32_t ConfigRead(std::uint32_t offset, std::uint32_t bytes) const;
  void ConfigWrite(std::uint32_t offset, std::uint32_t bytes, std::uint32_t value);
  // Test back door: set configuration bytes regardless of read-only bits.
  void ConfigPoke(std::uint32_t offset, std::uint32_t bytes, std::uint32_t value);

  // The ranges. Memory ranges are real memory: MemoryOf gives its address,
  // making the memory (zeroed) at its first call; MemoryAddressOf gives the
  // address only once it is made, and 0 before (no access can reach it yet).
  bool HasRange(int bar) const;
  bool IsIoRange(int bar) const;
  std::uint32_t RangeBase(int bar) const;
  std::uint32_t RangeLength(int bar) const;
  std::uint8_t* MemoryOf(int bar);
  std::uintptr_t MemoryAddressOf(int bar) const;
  // The interrupt line of the card's first interrupt, or -1 when it has none.
  std::int64_t InterruptLine() const;

  // The register model behind the I/O ranges; `offset` is within the range.
  virtual std::uint32_t IoRead(int bar, std::uint32_t offset, int width);
  virtual void IoWrite(int bar, std::uint32_t offset, int width, std::uint32_t value);

 private:
  struct Range;
  void AddRange(int bar, std::uint32_t base, std::uint32_t length, bool io);
  void SetWritable(std::uint32_t offset, std::uint32_t bytes, std::uint32_t mask);
  std::array<std::uint8_t, ConfigSpaceBytes> config_{};
  std::array<std::uint8_t, ConfigSpaceBytes> writable_{};  // writable bit mask per byte
  std::vector<ResourceItem> items_;
  std::vector<std::size_t> locationItems_;  // indices of the items PlaceAt fills
  std::vector<std::unique_ptr<Range>> ranges_;
  Range* RangeOf(int bar);
  const Range* RangeOf(int bar) const;
};

}  // namespace lineio::sim
