#include "tools/trace/script.h"

#include <cerrno>
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
  if (errno != 0 || end == word.c_str() || *end != '\0') return std::nullopt;
  return static_cast<std::int64_t>(value);
}

}  // namespace lineio::trace
