#include "tools/trace/script.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace lineio::trace {

namespace {
constexpr char CommentMark = '#';
}  // namespace

std::vector<std::string> SplitCommand(const std::string& line) {
  std::istringstream stream(line);
  std::vector<std::string> words;
  for (std::string word; stream >> word;) words.push_back(word);
  if (!words.empty() && words.front().front() == CommentMark) words.clear();
  return words;
}

std::optional<std::int64_t> ParseNumber(const std::string& word) {
  if (word.empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(word.c_str(), &end, 0);
  // The whole word: a zero byte inside it would end the text that strtoll sees.
  if (errno != 0 || end == word.c_str() || end != word.c_str() + word.size()) return std::nullopt;
  return static_cast<std::int64_t>(value);
}

std::string Printable(const std::string& word) {
  std::string text;
  for (const char c : word) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isprint(byte) != 0) {
      text += c;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
      text += escaped;
    }
  }
  return text;
}

}  // namespace lineio::trace
