#include "platform/linux/io_access.h"

#include <unistd.h>

#include <atomic>
#include <cassert>
#include <cerrno>

namespace lineio::platform::linuxpci {

namespace {

constexpr int BitsPerByte = 8;
constexpr int MaxWidth = 4;

std::atomic<IoObserver*> observer{nullptr};

}  // namespace

bool IsIoUnit(std::uint32_t offset, int width) {
  return (width == 1 || width == 2 || width == MaxWidth) && offset % static_cast<std::uint32_t>(width) == 0;
}

bool ReadIoUnit(int fd, std::uint64_t rangeStart, std::uint32_t offset, int width, std::uint32_t& value) {
  assert(IsIoUnit(offset, width));
  if (!IsIoUnit(offset, width)) {
    errno = EINVAL;
    return false;
  }
  IoObserver* watching = observer.load(std::memory_order_acquire);
  if (watching != nullptr) watching->BeforeRead(fd, offset, width);
  unsigned char bytes[MaxWidth] = {};
  const ssize_t moved =
      pread(fd, bytes, static_cast<std::size_t>(width), static_cast<off_t>(rangeStart + offset));
  if (moved != width) {
    if (moved >= 0) errno = EIO;
    return false;
  }
  value = 0;
  for (int i = 0; i < width; ++i) value |= std::uint32_t{bytes[i]} << (BitsPerByte * i);
  if (watching != nullptr) watching->AfterRead(fd, offset, width, value);
  return true;
}

bool WriteIoUnit(int fd, std::uint64_t rangeStart, std::uint32_t offset, int width, std::uint32_t value) {
  assert(IsIoUnit(offset, width));
  if (!IsIoUnit(offset, width)) {
    errno = EINVAL;
    return false;
  }
  unsigned char bytes[MaxWidth] = {};
  for (int i = 0; i < width; ++i) bytes[i] = static_cast<unsigned char>(value >> (BitsPerByte * i));
  const ssize_t moved =
      pwrite(fd, bytes, static_cast<std::size_t>(width), static_cast<off_t>(rangeStart + offset));
  if (moved != width) {
    if (moved >= 0) errno = EIO;
    return false;
  }
  IoObserver* watching = observer.load(std::memory_order_acquire);
  if (watching != nullptr) watching->AfterWrite(fd, offset, width, value);
  return true;
}

void SetIoObserver(IoObserver* newObserver) { observer.store(newObserver, std::memory_order_release); }

}  // namespace lineio::platform::linuxpci
