// The `resource` file of a PCI function: one line per resource, each
// "0x%016llx 0x%016llx 0x%016llx" (start, end, flags). Lines 0 to 5 are the
// base address registers, line 6 the expansion ROM; more lines may follow
// (bridge windows, SR-IOV ranges).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace lineio::platform::linuxpci {

// The kernel's resource flags that matter here.
inline constexpr std::uint64_t ResourceIo = 0x100;
inline constexpr std::uint64_t ResourceMemory = 0x200;
inline constexpr std::uint64_t ResourceDisabled = 0x10000000;
inline constexpr std::uint64_t ResourceUnset = 0x20000000;

// Lines of the base address registers and of the expansion ROM.
inline constexpr std::size_t BarLines = 6;
inline constexpr std::size_t RomLine = 6;
// More lines than the kernel ever writes for one function (it writes 7 to 17):
// a file with more is not a resource file.
inline constexpr std::size_t MaxResourceLines = 32;

struct ResourceLine {
  std::uint64_t Start;
  std::uint64_t End;
  std::uint64_t Flags;
};

// A resource is in use when it ends above its start and the kernel has
// assigned it an address; an unused BAR reads as zeros.
bool IsUsed(const ResourceLine& line);
// Its length in bytes (end - start + 1); meaningful only when used.
std::uint64_t LengthOf(const ResourceLine& line);

struct ResourceFileError {
  std::size_t Line;  // from 1; 0 for the file as a whole
  std::string Reason;
};

// Parses the whole file. Every line must be exactly three fields of "0x" and
// 1 to 16 hexadecimal digits, separated by one blank and ended by a line end;
// a line whose end lies below its start (other than all zeros) is refused;
// so are an empty file and one of more than MaxResourceLines lines.
std::variant<std::vector<ResourceLine>, ResourceFileError> ParseResourceFile(std::string_view text);

}  // namespace lineio::platform::linuxpci
