// Numbers as the kernel writes them into the small sysfs files of a PCI
// function ("0x136c\n" in `vendor`, "11\n" in `irq`).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace lineio::platform::linuxpci {

// "0x" (or "0X") and 1 to 16 hexadecimal digits, or 1 to 20 decimal digits
// (never octal: a leading zero is decimal), followed by at most one line end.
// Nothing else is accepted: no sign, no blanks, no second line. Gives nothing
// when the text is not such a number or the number is above `max`.
std::optional<std::uint64_t> ParseSysfsNumber(std::string_view text, std::uint64_t max);

}  // namespace lineio::platform::linuxpci
