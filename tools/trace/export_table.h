// The exports that a trace script can call: every export whose arguments are
// all integers, and GetIOBlockData with a buffer the analyser provides.
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
  std::vector<ArgumentRange> Arguments;
  // Calls the export with arguments already checked against their ranges;
  // gives the text that follows "= ".
  std::function<std::string(std::span<const std::int64_t>)> Call;
};

const std::vector<ExportEntry>& Exports();
// The entry of that name, or nullptr.
const ExportEntry* FindExport(const std::string& name);

}  // namespace lineio::trace
