#include "tools/trace/run_script.h"

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <string>

#include "sim/line_reader.h"
#include "tools/trace/help.h"
#include "tools/trace/script.h"
#include "tools/trace/session.h"

namespace lineio::trace {

namespace {

using sim::LineRead;

int Stop(TraceSession& session, int lineNumber, const std::string& why) {
  session.Finish();
  std::fflush(stdout);
  std::fprintf(stderr, "%s: line %d: %s\n", ProgramName().c_str(), lineNumber, why.c_str());
  return ExitUsage;
}

int ReportProtocolErrors(const TraceSession& session) {
  const std::string program = ProgramName();
  for (const std::string& error : session.ProtocolErrors()) {
    std::fprintf(stderr, "%s: protocol error: %s\n", program.c_str(), error.c_str());
  }
  const std::uint64_t unshown = session.ProtocolErrorCount() - session.ProtocolErrors().size();
  if (unshown != 0) std::fprintf(stderr, "%s: %" PRIu64 " more protocol errors\n", program.c_str(), unshown);
  return session.ProtocolErrorCount() == 0 ? ExitOk : ExitProtocolErrors;
}

}  // namespace

// Standard input is read through stdio, which reports a failed read as the
// end of the input: its error flag tells them apart.
int RunScript(std::istream& script, bool fromStdin, const RunOptions& options) {
  TraceSession session(options.Annotate, options.Vcd);
  sim::LineReader reader(script, MaxScriptLineLength);
  for (std::string line;;) {
    const LineRead read = reader.Next(line);
    if (read == LineRead::End && fromStdin && std::ferror(stdin) != 0) {
      return Stop(session, reader.LineNumber() + 1, "read error");
    }
    if (read == LineRead::End) break;
    if (read == LineRead::ReadError) return Stop(session, reader.LineNumber(), "read error");
    if (read == LineRead::TooLong) {
      return Stop(session, reader.LineNumber(),
                  "longer than " + std::to_string(MaxScriptLineLength) + " characters");
    }
    try {
      session.Execute(SplitCommand(line));
    } catch (const ScriptError& error) {
      return Stop(session, reader.LineNumber(), error.what());
    }
  }
  session.Finish();
  std::fflush(stdout);
  return ReportProtocolErrors(session);
}

}  // namespace lineio::trace
