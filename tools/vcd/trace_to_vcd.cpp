#include "tools/vcd/trace_to_vcd.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string_view>
#include <vector>

#include "tools/vcd/bus_waveform.h"

namespace lineio::vcd {

namespace {

constexpr std::string_view Header = "! lineio ";
constexpr std::string_view RegistersNote = "! registers ";
constexpr std::size_t LongestLine = 4096;
constexpr int HexBase = 16;

// The words of a payload, split at single blanks.
std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  while (!text.empty()) {
    const std::size_t blank = text.find(' ');
    words.push_back(text.substr(0, blank));
    if (blank == std::string_view::npos) break;
    text.remove_prefix(blank + 1);
  }
  return words;
}

template <typename T>
std::optional<T> Number(std::string_view text, int base) {
  T value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc{} || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

class Converter {
 public:
  explicit Converter(std::ostream& vcd) : waveform_(vcd, WatchedRegisters{}) {}

  // The reason a line is refused; empty when it is taken.
  std::string Take(int number, const std::string& line) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string::npos || blank + 1 == line.size()) return "not a trace line (<time> <text>)";
    const auto stamp = Number<std::uint64_t>(std::string_view(line).substr(0, blank), 10);
    if (!stamp) return "the time stamp is not a number of microseconds";
    const std::string_view payload = std::string_view(line).substr(blank + 1);
    if (number == 1)
      return payload.starts_with(Header) ? "" : "not a lineio trace: no \"! lineio\" first line";
    Advance(*stamp);
    if (payload.starts_with(RegistersNote)) return Registers(payload.substr(RegistersNote.size()));
    if (payload[0] == 'W' || payload[0] == 'R') return Access(payload);
    if (std::string_view("!>=#LI").find(payload[0]) != std::string_view::npos) return "";
    return "unknown line kind '" + std::string(1, payload[0]) + "'";
  }

  void Finish() { waveform_.Finish(time_ + 1); }

 private:
  // Stamps start from 0 at each PortInit: a stamp below the one before
  // begins a new run of them after the dump's time so far.
  void Advance(std::uint64_t stamp) {
    if (stamp < lastStamp_) base_ = time_ + 1;
    lastStamp_ = stamp;
    stampTime_ = base_ + stamp;
  }

  std::string Registers(std::string_view text) {
    const std::vector<std::string_view> words = Words(text);
    std::uint16_t offsets[4] = {};
    if (words.size() != 4) return "a register note needs four offsets";
    for (std::size_t i = 0; i < 4; ++i) {
      const auto offset = Number<std::uint16_t>(words[i], HexBase);
      if (!offset) return "a register offset is not hexadecimal";
      offsets[i] = *offset;
    }
    waveform_.SetRegisters({offsets[0], offsets[1], offsets[2], offsets[3]});
    return "";
  }

  std::string Access(std::string_view text) {
    const std::vector<std::string_view> words = Words(text);
    if (words.size() != 3 || words[0].size() != 1 || words[1].size() != 4)
      return "an access is <W|R> <offset> <value>";
    const auto offset = Number<std::uint32_t>(words[1], HexBase);
    const auto value = Number<std::uint32_t>(words[2], HexBase);
    const std::size_t digits = words[2].size();
    if (!offset || !value || (digits != 2 && digits != 4 && digits != 8)) {
      return "an access needs a hexadecimal offset and a value of 2, 4 or 8 digits";
    }
    time_ = stampTime_ > time_ ? stampTime_ : time_ + 1;
    waveform_.Access(time_, words[0][0], *offset, static_cast<int>(digits / 2), *value);
    return "";
  }

  BusWaveform waveform_;
  std::uint64_t base_ = 0;
  std::uint64_t lastStamp_ = 0;
  std::uint64_t stampTime_ = 0;
  std::uint64_t time_ = 0;
};

}  // namespace

ConversionError ConvertTrace(std::istream& trace, std::ostream& vcd) {
  Converter converter(vcd);
  std::string line;
  int number = 0;
  while (std::getline(trace, line)) {
    ++number;
    if (trace.eof()) return {number, "the line ends without a newline: the trace is cut off"};
    if (line.size() > LongestLine) return {number, "longer than any trace line"};
    if (std::string reason = converter.Take(number, line); !reason.empty()) return {number, reason};
  }
  if (trace.bad()) return {number + 1, "read error"};
  if (number == 0) return {1, "empty: not a lineio trace"};
  converter.Finish();
  return {};
}

}  // namespace lineio::vcd
