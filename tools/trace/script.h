// The words of a trace script line and the numbers in them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lineio::trace {

// No line of a script is longer; a longer one stops the script.
inline constexpr std::size_t MaxScriptLineLength = 4096;

// The words of one line, split at blanks; none for a blank line or a line
// whose first word starts with '#'.
std::vector<std::string> SplitCommand(const std::string& line);

// A C integer literal (decimal, 0x hex, 0 octal), with an optional sign;
// nullopt for anything else: a number followed by other characters (a zero
// byte included) or one beyond 64 bits. The caller checks the range it needs.
std::optional<std::int64_t> ParseNumber(const std::string& word);

// The word as a message can show it: each byte that is not a printing
// character as \xNN.
std::string Printable(const std::string& word);

}  // namespace lineio::trace
