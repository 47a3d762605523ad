// Reading the small files of the PCI tree. Each read is bounded: a file
// larger than the caller expects is refused, so a strange tree cannot make the
// library read without end.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace lineio::platform::linuxpci {

// The whole file when it holds at most `limit` bytes. Otherwise nothing, with
// `error` set to the errno of the failure (EFBIG when it is too long).
std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t limit, int& error);

// The last part of a symbolic link's target ("uio_pci_generic" for
// ".../drivers/uio_pci_generic"); nothing when `path` is not a link.
std::optional<std::string> LinkTargetName(const std::string& path);

// Whether the directory lies on the kernel's sysfs, as opposed to a tree of
// ordinary files made for a test.
bool IsOnSysfs(const std::string& path);

}  // namespace lineio::platform::linuxpci
