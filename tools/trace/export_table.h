// The exports that a trace script can call: every export whose arguments are
// all integers, GetIOBlockData with a buffer the analyser provides, and
// ExchgLine with its pattern given as a word of the script.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace lineio::trace {

// The values an argument of the export accepts.
struct ArgumentRange {
  std::int64_t Min;
  std::int64_t Max;
};

struct ExportEntry {
  const char* Name;
  // The numeric arguments, in order.
  std::vector<ArgumentRange> Arguments;
  // Calls the export with arguments already checked against their ranges (and
  // the pattern word, for an entry that takes one); gives the text that
  // follows "= ".
  std::function<std::string(std::span<const std::int64_t>, const std::string&)> Call;
  // Whether a text word follows the numeric arguments.
  bool TakesPattern = false;
};

const std::vector<ExportEntry>& Exports();
// The entry of that name, or nullptr.
const ExportEntry* FindExport(const std::string& name);

}  // namespace lineio::trace
