// Trees of ordinary files laid out as the kernel's PCI sysfs and /dev, under a
// temporary root, for tests that must never touch the machine's real devices:
//   <root>/devices/pci0000:00/<name>/{vendor,device,class,irq,resource,config,
//                                     resourceN,driver,uio/uioN/event}
//   <root>/bus/pci/devices/<name> -> ../../../devices/pci0000:00/<name>
//   <root>/dev/uioN                   a FIFO standing in for the uio device
//   <root>/kernel/iommu_groups/N/devices/<name> and the function's
//   iommu_group link to its group, for a function with an IOMMU group
// A memory range is a regular file that the backend maps; an I/O range one
// that it reads and writes with pread and pwrite.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/sysfs_roots.h"

namespace lineio::testing {

struct FakeRange {
  bool Io = true;
  std::uint64_t Start = 0;
  std::uint64_t Length = 0;
  // The size of the resourceN file; 0: the range's length.
  std::uint64_t FileBytes = 0;
  bool Wide = false;  // a 64-bit memory range (it then takes two registers)
};

struct FakeFunction {
  std::string Name = "0000:03:00.0";
  std::uint16_t Vendor = 0x136C;
  std::uint16_t Device = 0xA036;
  std::uint32_t ClassCode = 0x118000;
  std::uint32_t Irq = 0;
  std::vector<std::optional<FakeRange>> Bars;  // index = base address register
  std::string Driver;                          // empty: no driver bound
  int Uio = -1;                                // the uio device number, -1: none
  int IommuGroup = -1;                         // -1: no IOMMU group
  std::uint32_t ConfigBytes = 256;
};

// An I/O board: 0x400 ports at 0xe000 in BAR 0.
FakeFunction IoBoard(std::uint32_t vendor, std::uint32_t device, const std::string& name = "0000:03:00.0");
// A memory board: 0x1000 bytes at 0xe8000000 in BAR 0.
FakeFunction MemoryBoard(std::uint32_t vendor, std::uint32_t device,
                         const std::string& name = "0000:03:00.0");

class FakeTree {
 public:
  FakeTree();
  ~FakeTree();
  FakeTree(const FakeTree&) = delete;
  FakeTree& operator=(const FakeTree&) = delete;

  const std::string& Root() const { return root_; }
  std::string DevRoot() const { return root_ + "/dev"; }
  std::string DevicesDirectory() const { return root_ + "/bus/pci/devices"; }
  platform::linuxpci::Roots Roots() const { return {root_, DevRoot()}; }
  // The real directory of a function (the link under bus/pci/devices leads there).
  std::string FunctionDirectory(const std::string& name) const;

  // Lays out a function; gives its directory.
  std::string Add(const FakeFunction& function);
  void Remove(const std::string& name);
  // Writes a file relative to the function's directory (replacing it).
  void WriteFunctionFile(const std::string& name, const std::string& file, const std::string& content);
  // Puts a FIFO in place of a file of the function (nothing ever writes to
  // it: a reader that waits for one waits for ever).
  void MakeFifo(const std::string& name, const std::string& file);

  std::vector<std::uint8_t> ReadBytes(const std::string& path, std::uint64_t offset, std::size_t count) const;
  void WriteBytes(const std::string& path, std::uint64_t offset, const std::vector<std::uint8_t>& bytes);
  std::string RangeFile(const std::string& name, int bar) const;
  std::uint8_t ConfigByte(const std::string& name, std::uint32_t offset) const;
  void SetConfigByte(const std::string& name, std::uint32_t offset, std::uint8_t value);

 private:
  std::string root_;
};

// The process's open descriptors, and the mappings of files under a root, as
// /proc/self shows them: equal before and after a request that failed means
// it left nothing behind.
struct HeldResources {
  int Descriptors;
  int Mappings;
  bool operator==(const HeldResources&) const = default;
};
HeldResources CountHeld(const std::string& root);

}  // namespace lineio::testing
