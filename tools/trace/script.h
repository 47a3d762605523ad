// The words of a trace script line and the numbers in them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lineio::trace {

// The words of one line, split at blanks; none for a blank line or a line
// whose first word starts with '#'.
std::vector<std::string> SplitCommand(const std::string& line);

// A C integer literal (decimal, 0x hex, 0 octal), with an optional sign;
// nullopt for anything else, a number followed by other characters included.
std::optional<std::int64_t> ParseNumber(const std::string& word);

}  // namespace lineio::trace
