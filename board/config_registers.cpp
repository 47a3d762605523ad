// Reading and writing one configuration register, 1 to 4 bytes wide, through
// the aligned double word that holds it.
#include "board/board.h"
#include "board/console.h"
#include "board/driver_request.h"

namespace lineio {

namespace {

constexpr std::uint32_t DwordBytes = 4;
constexpr std::uint32_t BitsPerByte = 8;

std::uint32_t WidthMask(std::uint32_t width) {
  return width >= DwordBytes ? 0xFFFFFFFFu : (1u << (width * BitsPerByte)) - 1;
}

std::uint32_t AlignedOffset(std::uint32_t offset) { return offset - offset % DwordBytes; }

std::uint32_t Shift(std::uint32_t offset) { return offset % DwordBytes * BitsPerByte; }

// A request for the double word that holds the register, reading into `dword`.
PciConfigAccess DwordAccess(PciSlot slot, std::uint32_t offset, std::uint32_t& dword) {
  PciConfigAccess access{};
  access.Slot = slot;
  access.Buffer = &dword;
  access.Offset = AlignedOffset(offset);
  access.ByteCount = DwordBytes;
  access.ReadFlag = 1;
  return access;
}

}  // namespace

std::uint32_t ReadConfigRegister(platform::OsHandle driver, PciSlot slot, std::uint32_t offset,
                                 std::uint32_t width) {
  std::uint32_t dword = 0;
  PciConfigAccess access = DwordAccess(slot, offset, dword);
  SendRequest(driver, ReqPciConfig, access);
  return (dword >> Shift(offset)) & WidthMask(width);
}

void WriteConfigRegister(platform::OsHandle driver, PciSlot slot, std::uint32_t offset,
                         std::uint32_t width, std::uint32_t value) {
  std::uint32_t dword = 0;
  PciConfigAccess access = DwordAccess(slot, offset, dword);
  SendRequest(driver, ReqPciConfig, access);
  const std::uint32_t mask = WidthMask(width);
  const std::uint32_t shift = Shift(offset);
  dword = (dword & ~(mask << shift)) | ((value & mask) << shift);
  access.ReadFlag = 0;
  SendRequest(driver, ReqPciConfig, access);
}

}  // namespace lineio
