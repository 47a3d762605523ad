// lineio-trace-kestrel / lineio-trace-merlin: the bus analyser. Runs a script
// of export calls against the simulated board and prints every register access.
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "tools/trace/help.h"
#include "tools/trace/script.h"
#include "tools/trace/session.h"

namespace {

constexpr int ExitOk = 0;
constexpr int ExitProtocolErrors = 1;
constexpr int ExitUsage = 2;

int RunScript(std::istream& script) {
  using lineio::trace::ScriptError;
  lineio::trace::TraceSession session;
  int lineNumber = 0;
  for (std::string line; std::getline(script, line);) {
    ++lineNumber;
    try {
      session.Execute(lineio::trace::SplitCommand(line));
    } catch (const ScriptError& error) {
      std::fflush(stdout);
      std::fprintf(stderr, "%s: line %d: %s\n", lineio::trace::ProgramName().c_str(), lineNumber,
                   error.what());
      return ExitUsage;
    }
  }
  std::fflush(stdout);
  for (const std::string& error : session.ProtocolErrors()) {
    std::fprintf(stderr, "%s: protocol error: %s\n", lineio::trace::ProgramName().c_str(), error.c_str());
  }
  const std::uint64_t unshown = session.ProtocolErrorCount() - session.ProtocolErrors().size();
  if (unshown != 0) {
    std::fprintf(stderr, "%s: %" PRIu64 " more protocol errors\n", lineio::trace::ProgramName().c_str(),
                 unshown);
  }
  return session.ProtocolErrorCount() == 0 ? ExitOk : ExitProtocolErrors;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    lineio::trace::PrintHelp();
    return ExitOk;
  }
  if (argc > 2 || (argc == 2 && argv[1][0] == '-' && argv[1][1] != '\0')) {
    lineio::trace::PrintUsage();
    return ExitUsage;
  }
  if (argc == 1 || std::strcmp(argv[1], "-") == 0) return RunScript(std::cin);
  std::ifstream script(argv[1]);
  if (!script) {
    std::fprintf(stderr, "%s: cannot read %s\n", lineio::trace::ProgramName().c_str(), argv[1]);
    return ExitUsage;
  }
  return RunScript(script);
}
