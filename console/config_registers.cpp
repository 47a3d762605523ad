// Reading and writing one configuration register, 1 to 4 bytes wide.
//
// A read takes the aligned double word that holds the register. A write of a
// 1- or 2-byte register at an offset of its own alignment is one access of
// its own width: the bytes beside it are never written, which matters on a
// real card, where writing back a status register as it was read clears its
// write-1-to-clear error bits. A 3- or 4-byte register, or one that is not so
// aligned, is written through its double word: the double word is read, the
// register's bytes replaced, and the whole of it written back.
#include "board/board.h"
#include "board/driver_request.h"
#include "console/console.h"

namespace lineio {

namespace {

constexpr std::uint32_t DwordBytes = 4;
constexpr std::uint32_t BitsPerByte = 8;
constexpr std::uint32_t WidestOwnWrite = 2;

std::uint32_t WidthMask(std::uint32_t width) {
  return width >= DwordBytes ? 0xFFFFFFFFu : (1u << (width * BitsPerByte)) - 1;
}

std::uint32_t AlignedOffset(std::uint32_t offset) { return offset - offset % DwordBytes; }

std::uint32_t Shift(std::uint32_t offset) { return offset % DwordBytes * BitsPerByte; }

bool WrittenAtOwnWidth(std::uint32_t offset, std::uint32_t width) {
  return width >= 1 && width <= WidestOwnWrite && offset % width == 0;
}

// One write of `width` bytes at `offset`, the value's low bytes first.
void WriteOwnWidth(platform::OsHandle driver, PciSlot slot, std::uint32_t offset, std::uint32_t width,
                   std::uint32_t value) {
  std::uint8_t bytes[DwordBytes] = {};
  for (std::uint32_t i = 0; i < width; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (i * BitsPerByte));
  PciConfigAccess access{};
  access.Slot = slot;
  access.Buffer = bytes;
  access.Offset = offset;
  access.ByteCount = width;
  access.ReadFlag = 0;
  SendRequest(driver, ReqPciConfig, access);
}

}  // namespace

std::uint32_t ReadConfigRegister(platform::OsHandle driver, PciSlot slot, std::uint32_t offset,
                                 std::uint32_t width) {
  std::uint32_t dword = 0;
  ConfigDwordRequest(driver, slot, AlignedOffset(offset), dword, 1);
  return (dword >> Shift(offset)) & WidthMask(width);
}

void WriteConfigRegister(platform::OsHandle driver, PciSlot slot, std::uint32_t offset, std::uint32_t width,
                         std::uint32_t value) {
  const std::uint32_t mask = WidthMask(width);
  if (WrittenAtOwnWidth(offset, width)) {
    WriteOwnWidth(driver, slot, offset, width, value & mask);
    return;
  }
  std::uint32_t dword = 0;
  ConfigDwordRequest(driver, slot, AlignedOffset(offset), dword, 1);
  const std::uint32_t shift = Shift(offset);
  dword = (dword & ~(mask << shift)) | ((value & mask) << shift);
  ConfigDwordRequest(driver, slot, AlignedOffset(offset), dword, 0);
}

}  // namespace lineio
