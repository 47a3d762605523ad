// Each entry is built from the export's own declaration: its argument types
// give the accepted ranges, its result type the width of the result.
#include "tools/trace/export_table.h"

#include <array>
#include <cinttypes>
#include <cstdio>
#include <limits>
#include <type_traits>
#include <utility>

#include "lineio.h"
#include "tracing/line_format.h"

namespace lineio::trace {

namespace {

constexpr int BlockWords = 16;
constexpr std::uint16_t BlockFiller = 0xAAAA;
constexpr std::size_t PatternBytes = 10;

template <typename T>
constexpr ArgumentRange RangeOf() {
  return {std::numeric_limits<T>::min(), static_cast<std::int64_t>(std::numeric_limits<T>::max())};
}

// The result in lower-case hex without leading zeros, read as an unsigned
// number of the result's width; "-" for an export with no result.
template <typename R>
std::string ResultText(R result) {
  char text[LineBytes];
  const auto bits = static_cast<std::make_unsigned_t<R>>(result);
  FormatResult(text, sizeof text, bits);
  return text;
}

template <typename R, typename... A, std::size_t... I>
std::string Invoke(R(LINEIO_CALL* function)(A...), std::span<const std::int64_t> args,
                   std::index_sequence<I...>) {
  if constexpr (std::is_void_v<R>) {
    function(static_cast<A>(args[I])...);
    return "-";
  } else {
    return ResultText(function(static_cast<A>(args[I])...));
  }
}

template <typename R, typename... A>
ExportEntry Entry(const char* name, R(LINEIO_CALL* function)(A...)) {
  static_assert((std::is_integral_v<A> && ...), "a script passes integers only");
  return {name, {RangeOf<A>()...}, [function](std::span<const std::int64_t> args, const std::string&) {
            return Invoke(function, args, std::index_sequence_for<A...>{});
          }};
}

// GetIOBlockData fills a buffer that starts as aaaa in every word, so that the
// words it leaves alone show.
std::string BlockCall(std::span<const std::int64_t> args, const std::string&) {
  std::array<std::uint16_t, BlockWords> block;
  block.fill(BlockFiller);
  GetIOBlockData(static_cast<std::uint16_t>(args[0]), block.data());
  char text[LineBytes];
  FormatWords(text, sizeof text, block);
  return text;
}

// ExchgLine reads ten bytes: the word's first ten characters, a shorter word
// ended by zero bytes as a host's shorter string would be.
std::string PatternCall(std::span<const std::int64_t> args, const std::string& word) {
  std::array<char, PatternBytes> pattern{};
  word.copy(pattern.data(), pattern.size());
  return ResultText(ExchgLine(static_cast<std::uint16_t>(args[0]), pattern.data()));
}

std::vector<ExportEntry> BuildTable() {
  return {
      Entry("PortInit", &PortInit),
      Entry("PortEnd", &PortEnd),
      Entry("CheckPCtype", &CheckPCtype),
      Entry("Test", &Test),
      Entry("InpB", &InpB),
      Entry("InpW", &InpW),
      Entry("InpD", &InpD),
      Entry("OutB", &OutB),
      Entry("OutW", &OutW),
      Entry("OutD", &OutD),
      Entry("PortOut", &PortOut),
      Entry("PortQinp", &PortQinp),
      Entry("PortIinp", &PortIinp),
      Entry("AllOutClear", &AllOutClear),
      Entry("BitOn", &BitOn),
      Entry("BitOff", &BitOff),
      Entry("TestQbit", &TestQbit),
      Entry("TestIbit", &TestIbit),
      {"GetIOBlockData", {RangeOf<std::uint16_t>()}, BlockCall},
      Entry("ContFreq", &ContFreq),
      Entry("ContLevel", &ContLevel),
      Entry("ContDirect", &ContDirect),
      Entry("ContSigSW", &ContSigSW),
      Entry("ContBellDA", &ContBellDA),
      Entry("ContRelay", &ContRelay),
      Entry("LineCurrent", &LineCurrent),
      Entry("HdTimer", &HdTimer),
      Entry("Click", &Click),
      {"ExchgLine", {RangeOf<std::uint16_t>()}, PatternCall, true},
  };
}

}  // namespace

const std::vector<ExportEntry>& Exports() {
  static const std::vector<ExportEntry> Table = BuildTable();
  return Table;
}

const ExportEntry* FindExport(const std::string& name) {
  for (const ExportEntry& entry : Exports()) {
    if (name == entry.Name) return &entry;
  }
  return nullptr;
}

}  // namespace lineio::trace
