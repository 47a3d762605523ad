#include "tools/vcd/vcd_writer.h"

#include <stdexcept>
#include <string_view>

namespace lineio::vcd {

namespace {

// Identifier codes: letters only, as many as needed. The standard allows any
// printing character, but '#' and '$' start time stamps and keywords, which
// some readers (sigrok's) then take them for.
constexpr std::string_view CodeCharacters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

std::string CodeOf(int index) {
  std::string code;
  const auto count = static_cast<int>(CodeCharacters.size());
  do {
    code += CodeCharacters[static_cast<std::size_t>(index % count)];
    index /= count;
  } while (index > 0);
  return code;
}

}  // namespace

VcdWriter::VcdWriter(std::ostream& out, std::string timescale)
    : out_(out), timescale_(std::move(timescale)) {}

int VcdWriter::Declare(const std::string& scope, const std::string& name, int width) {
  if (headerWritten_) throw std::logic_error("a signal declared after the first change");
  Signal signal{scope, name, width, {}, 0};
  for (int bit = 0; bit < width; ++bit) signal.Codes.push_back(CodeOf(codes_++));
  signals_.push_back(std::move(signal));
  return static_cast<int>(signals_.size()) - 1;
}

void VcdWriter::WriteHeader() {
  out_ << "$version lineio $end\n$timescale " << timescale_ << " $end\n";
  std::string scope;
  for (const Signal& signal : signals_) {
    if (signal.Scope != scope) {
      if (!scope.empty()) out_ << "$upscope $end\n";
      scope = signal.Scope;
      out_ << "$scope module " << scope << " $end\n";
    }
    if (signal.Width == 1) {
      out_ << "$var wire 1 " << signal.Codes[0] << ' ' << signal.Name << " $end\n";
      continue;
    }
    for (int bit = signal.Width - 1; bit >= 0; --bit) {
      out_ << "$var wire 1 " << signal.Codes[static_cast<std::size_t>(bit)] << ' ' << signal.Name << '['
           << bit << "] $end\n";
    }
  }
  if (!scope.empty()) out_ << "$upscope $end\n";
  out_ << "$enddefinitions $end\n#0\n$dumpvars\n";
  for (const Signal& signal : signals_) WriteBits(signal, ~std::uint64_t{0});
  out_ << "$end\n";
  headerWritten_ = true;
}

void VcdWriter::WriteBits(const Signal& signal, std::uint64_t changed) {
  for (int bit = signal.Width - 1; bit >= 0; --bit) {
    if (((changed >> bit) & 1U) == 0) continue;
    out_ << ((signal.Value >> bit) & 1U) << signal.Codes[static_cast<std::size_t>(bit)] << '\n';
  }
}

void VcdWriter::Change(std::uint64_t time, int signalIndex, std::uint64_t value) {
  if (!headerWritten_) WriteHeader();
  Signal& signal = signals_.at(static_cast<std::size_t>(signalIndex));
  const std::uint64_t mask = signal.Width >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << signal.Width) - 1;
  value &= mask;
  if (value == signal.Value) return;
  if (time < time_) throw std::logic_error("a change earlier than the one before");
  if (time != time_ || !timeWritten_) {
    if (time != 0 || timeWritten_) out_ << '#' << time << '\n';
    time_ = time;
    timeWritten_ = true;
  }
  const std::uint64_t changed = signal.Value ^ value;
  signal.Value = value;
  WriteBits(signal, changed);
}

void VcdWriter::Finish(std::uint64_t time) {
  if (!headerWritten_) WriteHeader();
  if (time > time_ || !timeWritten_) out_ << '#' << time << '\n';
  out_.flush();
}

}  // namespace lineio::vcd
