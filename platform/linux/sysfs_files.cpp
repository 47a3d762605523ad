#include "platform/linux/sysfs_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

namespace lineio::platform::linuxpci {

namespace {

// The build gives 32-bit targets the 64-bit file interfaces; without them
// directory listings, stat and statfs fail on large inode numbers and sizes.
static_assert(sizeof(off_t) == 8 && sizeof(ino_t) == 8, "build with _FILE_OFFSET_BITS=64");

// The magic number of sysfs in statfs's f_type.
constexpr long SysfsMagic = 0x62656572;

}  // namespace

int OpenRegularFile(const std::string& path, int flags, int& error) {
  // Looked at before the open, so that the refusal names what the file is
  // (a FIFO opened for writing alone fails with ENXIO) ...
  struct stat before {};
  if (stat(path.c_str(), &before) == 0 && !S_ISREG(before.st_mode)) {
    error = NotRegularFile;
    return -1;
  }
  // ... and after it, on what was opened. O_NONBLOCK: the open of a FIFO put
  // in place in between does not wait for a writer. A regular file's reads
  // and writes do not block anyway; the flag is taken off again.
  const int fd = open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return -1;
  }
  struct stat info {};
  const bool known = fstat(fd, &info) == 0;
  if (!known || !S_ISREG(info.st_mode)) {
    error = known ? NotRegularFile : errno;
    close(fd);
    return -1;
  }
  if ((flags & O_NONBLOCK) == 0) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t limit, int& error) {
  const int fd = OpenRegularFile(path, O_RDONLY, error);
  if (fd < 0) return std::nullopt;
  // One byte more than the limit shows whether the file is longer.
  std::string text(limit + 1, '\0');
  std::size_t used = 0;
  error = 0;
  while (used < text.size()) {
    const ssize_t got = read(fd, text.data() + used, text.size() - used);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      error = errno;
      break;
    }
    if (got == 0) break;
    used += static_cast<std::size_t>(got);
  }
  close(fd);
  if (error == 0 && used > limit) error = EFBIG;
  if (error != 0) return std::nullopt;
  text.resize(used);
  return text;
}

std::optional<std::string> LinkTargetName(const std::string& path) {
  std::vector<char> target(PATH_MAX);
  const ssize_t length = readlink(path.c_str(), target.data(), target.size() - 1);
  if (length < 0) return std::nullopt;
  const std::string text(target.data(), static_cast<std::size_t>(length));
  const std::size_t slash = text.rfind('/');
  return slash == std::string::npos ? text : text.substr(slash + 1);
}

bool IsOnSysfs(const std::string& path) {
  struct statfs info {};
  return statfs(path.c_str(), &info) == 0 && static_cast<long>(info.f_type) == SysfsMagic;
}

}  // namespace lineio::platform::linuxpci
