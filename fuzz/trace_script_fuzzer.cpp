// The bus analyser's script reader and runner (tools/trace), built once per
// board: each input is a whole script, run from memory as the analyser runs a
// file, on a fresh session.
//
// A script may ask for waits as long as it likes ("tick 1000000" then
// "HdTimer 4000000000"), and each PortInit calibrates its waits with millions
// of loop passes: both are what the analyser is for, not faults, so inputs
// whose waits would take more than a bounded number of Escape key samples, or
// that call PortInit more than a few times, are passed over (never run, never
// kept in the corpus). The estimate reads the script with the analyser's own
// word splitter and number parser and errs on the long side.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/harness_support.h"
#include "sim/line_reader.h"
#include "tools/trace/run_script.h"
#include "tools/trace/script.h"

namespace lineio::fuzz {

namespace {

constexpr std::uint64_t MaxWaitSamples = 20000;
constexpr int MaxPortInits = 4;
constexpr std::uint64_t Never = std::numeric_limits<std::uint64_t>::max();
// A tick is a whole period of the status bit: two toggles.
constexpr std::uint64_t SamplesPerTickPeriod = 2;

// What the analyser's tick and escape commands have set so far, and the
// waits the script asked for.
struct WaitEstimate {
  std::uint64_t TickEvery = 0;
  std::uint64_t EscapeFrom = 0;
  std::uint64_t SamplesSinceEscape = 0;
  std::uint64_t TotalSamples = 0;
  int PortInits = 0;
};

std::optional<std::uint64_t> NumberArgument(const std::vector<std::string>& words) {
  if (words.size() != 2) return std::nullopt;
  const std::optional<std::int64_t> value = trace::ParseNumber(words[1]);
  if (!value || *value < 0) return std::nullopt;
  return static_cast<std::uint64_t>(*value);
}

// The Escape key samples that one tick wait of `ticks` can take at most.
std::uint64_t WaitSamples(const WaitEstimate& estimate, std::uint64_t ticks) {
  std::uint64_t samples = Never;
  if (estimate.TickEvery != 0) {
    // Capped first, so that the product cannot overflow.
    const std::uint64_t periods = std::min(std::max<std::uint64_t>(ticks, 1), MaxWaitSamples) + 1;
    samples = SamplesPerTickPeriod * periods * std::min(estimate.TickEvery, MaxWaitSamples);
  }
  if (estimate.EscapeFrom != 0) {
    const std::uint64_t untilDown = estimate.EscapeFrom > estimate.SamplesSinceEscape
                                        ? estimate.EscapeFrom - estimate.SamplesSinceEscape
                                        : 1;
    samples = std::min(samples, untilDown + SamplesPerTickPeriod);
  }
  // A wait that nothing could end is refused by the analyser: it costs nothing.
  return samples == Never ? 0 : samples;
}

void Account(WaitEstimate& estimate, const std::vector<std::string>& words) {
  if (words.empty()) return;
  const std::string& command = words[0];
  const std::optional<std::uint64_t> number = NumberArgument(words);
  if (command == "PortInit") {
    ++estimate.PortInits;
  } else if (command == "tick" && number) {
    estimate.TickEvery = *number;
  } else if (command == "escape" && number) {
    estimate.EscapeFrom = *number;
    estimate.SamplesSinceEscape = 0;
  } else if ((command == "HdTimer" || command == "Click") && number) {
    const std::uint64_t samples = std::min(WaitSamples(estimate, *number), MaxWaitSamples + 1);
    estimate.SamplesSinceEscape += samples;
    estimate.TotalSamples = std::min(estimate.TotalSamples + samples, MaxWaitSamples + 1);
  }
}

bool WithinBudget(const std::string& script) {
  std::istringstream in(script);
  sim::LineReader reader(in, trace::MaxScriptLineLength);
  WaitEstimate estimate;
  for (std::string line; reader.Next(line) == sim::LineRead::Line;) {
    Account(estimate, trace::SplitCommand(line));
  }
  return estimate.TotalSamples <= MaxWaitSamples && estimate.PortInits <= MaxPortInits;
}

}  // namespace

int RunInput(const std::uint8_t* data, std::size_t size) {
  const std::string script(reinterpret_cast<const char*>(data), size);
  if (!WithinBudget(script)) return -1;
  std::istringstream in(script);
  int status = 0;
  {
    // The analyser names each line it stops at on standard error.
    const QuietStderr quiet;
    status = trace::RunScript(in, false);
  }
  Require(status == trace::ExitOk || status == trace::ExitProtocolErrors || status == trace::ExitUsage,
          "the analyser exits 0, 1 or 2");
  return 0;
}

}  // namespace lineio::fuzz
