// The one place where an I/O range of a PCI function is read or written: a
// pread or pwrite of exactly 1, 2 or 4 bytes on the range's `resourceN` file,
// at an offset within the range that is a multiple of the width. That is the
// only form the kernel accepts for I/O ranges; anything else is refused here
// (EINVAL) before it reaches the kernel.
#pragma once

#include <cstdint>

namespace lineio::platform::linuxpci {

// Whether an access of this width at this offset has the only allowed form.
bool IsIoUnit(std::uint32_t offset, int width);

// One access at `offset` in the range, which starts at `rangeStart` in the
// file (0 for `resourceN`; a VFIO region's offset in the device descriptor);
// false (errno set) when it is not an allowed unit or the kernel refuses it
// or moves fewer bytes. Values are little-endian in the range, as on the PCI
// bus.
bool ReadIoUnit(int fd, std::uint64_t rangeStart, std::uint32_t offset, int width, std::uint32_t& value);
bool WriteIoUnit(int fd, std::uint64_t rangeStart, std::uint32_t offset, int width, std::uint32_t value);

// Watches every access of the process (offsets in the range), for tests: a fake I/O range is a
// regular file, and an observer may put a register model behind it (before a
// read it may store the value that the read then finds; after a write it sees
// what landed in the file).
class IoObserver {
 public:
  virtual ~IoObserver() = default;
  virtual void BeforeRead(int fd, std::uint32_t offset, int width) = 0;
  virtual void AfterRead(int fd, std::uint32_t offset, int width, std::uint32_t value) = 0;
  virtual void AfterWrite(int fd, std::uint32_t offset, int width, std::uint32_t value) = 0;
};
// nullptr removes it. The caller keeps it alive while it is set.
void SetIoObserver(IoObserver* observer);

}  // namespace lineio::platform::linuxpci
