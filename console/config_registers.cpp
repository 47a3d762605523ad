// Reading and writing one configuration register, 1 to 4 bytes wide, through
// the aligned double word that holds it.
#include "board/board.h"
#include "console/console.h"

namespace lineio {

namespace {

constexpr std::uint32_t DwordBytes = 4;
constexpr std::uint32_t BitsPerByte = 8;

std::uint32_t WidthMask(std::uint32_t width) {
  return width >= DwordBytes ? 0xFFFFFFFFu : (1u << (width * BitsPerByte)) - 1;
}

std::uint32_t AlignedOffset(std::uint32_t offset) { return offset - offset % DwordBytes; }

std::uint32_t Shift(std::uint32_t offset) { return offset % DwordBytes * BitsPerByte; }

}  // namespace

std::uint32_t ReadConfigRegister(platform::OsHandle driver, PciSlot slot, std::uint32_t offset,
                                 std::uint32_t width) {
  std::uint32_t dword = 0;
  ConfigDwordRequest(driver, slot, AlignedOffset(offset), dword, 1);
  return (dword >> Shift(offset)) & WidthMask(width);
}

void WriteConfigRegister(platform::OsHandle driver, PciSlot slot, std::uint32_t offset, std::uint32_t width,
                         std::uint32_t value) {
  std::uint32_t dword = 0;
  ConfigDwordRequest(driver, slot, AlignedOffset(offset), dword, 1);
  const std::uint32_t mask = WidthMask(width);
  const std::uint32_t shift = Shift(offset);
  dword = (dword & ~(mask << shift)) | ((value & mask) << shift);
  ConfigDwordRequest(driver, slot, AlignedOffset(offset), dword, 0);
}

}  // namespace lineio
