// Running a whole trace script: one session, the script read line by line,
// the first command that cannot run stopping it, the board's protocol errors
// reported at the end. main() runs it on a file or on standard input; the fuzz
// harness runs it on a script held in memory.
#pragma once

#include <istream>
#include <ostream>

namespace lineio::trace {

// What the command line asks of a run besides the script.
struct RunOptions {
  // Name each access's register, export and port (see TraceSession).
  bool Annotate = false;
  // Where the waveform goes; none without --vcd.
  std::ostream* Vcd = nullptr;
};

// Exit statuses of the analyser.
inline constexpr int ExitOk = 0;
inline constexpr int ExitProtocolErrors = 1;
inline constexpr int ExitUsage = 2;

// Runs the script and gives the exit status: ExitUsage (with a message on
// standard error naming the line) for a line that is too long, cannot be read
// or holds a command that cannot run; otherwise ExitProtocolErrors when the
// board could not decode an access, else ExitOk. `fromStdin` says that the
// stream reads standard input, whose read errors stdio reports as the end.
int RunScript(std::istream& script, bool fromStdin, const RunOptions& options = {});

}  // namespace lineio::trace
