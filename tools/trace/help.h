// The text of `lineio-trace-<board> --help`.
#pragma once

#include <string>

namespace lineio::trace {

// The program's name: lineio-trace-kestrel or lineio-trace-merlin.
std::string ProgramName();
void PrintHelp();
void PrintUsage();

}  // namespace lineio::trace
