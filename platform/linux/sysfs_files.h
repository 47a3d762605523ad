// Reading the small files of the PCI tree. Each read is bounded: a file
// larger than the caller expects is refused, so a strange tree cannot make the
// library read without end.
#pragma once

#include <cerrno>
#include <cstddef>
#include <optional>
#include <string>

namespace lineio::platform::linuxpci {

// The error of a file of the PCI tree that is not a regular file (a FIFO, a
// device, a directory): the kernel's attribute files all are, and reading
// anything else could block for ever or never end.
inline constexpr int NotRegularFile = EMEDIUMTYPE;

// Opens a file of the PCI tree with `flags` (O_CLOEXEC is added) when it is a
// regular file, without blocking on the open whatever it is: the descriptor,
// or -1 with `error` set (NotRegularFile for anything but a regular file).
int OpenRegularFile(const std::string& path, int flags, int& error);

// The whole file when it is a regular file of at most `limit` bytes.
// Otherwise nothing, with `error` set to the errno of the failure (EFBIG when
// it is too long, NotRegularFile when it is no regular file).
std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t limit, int& error);

// The last part of a symbolic link's target ("uio_pci_generic" for
// ".../drivers/uio_pci_generic"); nothing when `path` is not a link.
std::optional<std::string> LinkTargetName(const std::string& path);

// Whether the directory lies on the kernel's sysfs, as opposed to a tree of
// ordinary files made for a test.
bool IsOnSysfs(const std::string& path);

}  // namespace lineio::platform::linuxpci
