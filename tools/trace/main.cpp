// lineio-trace-kestrel / lineio-trace-merlin: the bus analyser. Runs a script
// of export calls against the simulated board and prints every register access.
#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <system_error>

#include "sim/line_reader.h"
#include "tools/trace/help.h"
#include "tools/trace/script.h"
#include "tools/trace/session.h"
#include "tools/version.h"

namespace {

using lineio::sim::LineRead;

constexpr int ExitOk = 0;
constexpr int ExitProtocolErrors = 1;
constexpr int ExitUsage = 2;

int Stop(int lineNumber, const std::string& why) {
  std::fflush(stdout);
  std::fprintf(stderr, "%s: line %d: %s\n", lineio::trace::ProgramName().c_str(), lineNumber, why.c_str());
  return ExitUsage;
}

int ReportProtocolErrors(const lineio::trace::TraceSession& session) {
  const std::string program = lineio::trace::ProgramName();
  for (const std::string& error : session.ProtocolErrors()) {
    std::fprintf(stderr, "%s: protocol error: %s\n", program.c_str(), error.c_str());
  }
  const std::uint64_t unshown = session.ProtocolErrorCount() - session.ProtocolErrors().size();
  if (unshown != 0) std::fprintf(stderr, "%s: %" PRIu64 " more protocol errors\n", program.c_str(), unshown);
  return session.ProtocolErrorCount() == 0 ? ExitOk : ExitProtocolErrors;
}

// Runs the script line by line. Standard input is read through stdio, which
// reports a failed read as the end of the input: its error flag tells them
// apart.
int RunScript(std::istream& script, bool fromStdin) {
  lineio::trace::TraceSession session;
  lineio::sim::LineReader reader(script, lineio::trace::MaxScriptLineLength);
  for (std::string line;;) {
    const LineRead read = reader.Next(line);
    if (read == LineRead::End && fromStdin && std::ferror(stdin) != 0) {
      return Stop(reader.LineNumber() + 1, "read error");
    }
    if (read == LineRead::End) break;
    if (read == LineRead::ReadError) return Stop(reader.LineNumber(), "read error");
    if (read == LineRead::TooLong) {
      return Stop(reader.LineNumber(),
                  "longer than " + std::to_string(lineio::trace::MaxScriptLineLength) + " characters");
    }
    try {
      session.Execute(lineio::trace::SplitCommand(line));
    } catch (const lineio::trace::ScriptError& error) {
      return Stop(reader.LineNumber(), error.what());
    }
  }
  std::fflush(stdout);
  return ReportProtocolErrors(session);
}

// Why a script path cannot be run; empty when it can be opened. A script is a
// regular file or a pipe; a directory or a device is refused.
std::string RefusalOf(const std::string& path) {
  if (path.empty()) return "the script name is empty";
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (error) return "cannot read " + path + ": " + error.message();
  if (std::filesystem::is_directory(status)) return path + " is a directory, not a script";
  if (!std::filesystem::is_regular_file(status) && !std::filesystem::is_fifo(status)) {
    return path + " is a device or other special file, not a script";
  }
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    lineio::trace::PrintHelp();
    return ExitOk;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    lineio::tools::PrintVersion(lineio::trace::ProgramName().c_str());
    return ExitOk;
  }
  if (argc > 2 || (argc == 2 && argv[1][0] == '-' && argv[1][1] != '\0')) {
    lineio::trace::PrintUsage();
    return ExitUsage;
  }
  if (argc == 1 || std::strcmp(argv[1], "-") == 0) return RunScript(std::cin, true);
  const std::string path = argv[1];
  std::string refusal = RefusalOf(path);
  std::ifstream script;
  if (refusal.empty()) {
    script.open(path);
    if (!script) refusal = "cannot read " + path + ": " + std::strerror(errno);
  }
  if (!refusal.empty()) {
    std::fprintf(stderr, "%s: %s\n", lineio::trace::ProgramName().c_str(), refusal.c_str());
    return ExitUsage;
  }
  return RunScript(script, false);
}
