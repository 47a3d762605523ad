// lineio-trace-kestrel / lineio-trace-merlin: the bus analyser. Runs a script
// of export calls against the simulated board and prints every register access.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <system_error>

#include "tools/trace/help.h"
#include "tools/trace/run_script.h"
#include "tools/version.h"

namespace {

using lineio::trace::ExitOk;
using lineio::trace::ExitUsage;
using lineio::trace::RunScript;

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

// The command line: options first, then at most one script.
struct CommandLine {
  lineio::trace::RunOptions Options;
  std::string VcdPath;
  std::string Script;  // "-": standard input
  bool HasScript = false;
  bool Usage = false;
};

CommandLine Parse(int argc, char** argv) {
  CommandLine line;
  int index = 1;
  for (; index < argc; ++index) {
    const std::string argument = argv[index];
    if (argument == "--annotate") {
      line.Options.Annotate = true;
    } else if (argument == "--vcd" && index + 1 < argc) {
      line.VcdPath = argv[++index];
    } else {
      break;
    }
  }
  if (index < argc) {
    line.Script = argv[index++];
    line.HasScript = true;
  }
  const bool option = line.Script.size() > 1 && line.Script[0] == '-';
  line.Usage = index < argc || option;
  return line;
}

int Refuse(const std::string& why) {
  std::fprintf(stderr, "%s: %s\n", lineio::trace::ProgramName().c_str(), why.c_str());
  return ExitUsage;
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
  CommandLine line = Parse(argc, argv);
  if (line.Usage) {
    lineio::trace::PrintUsage();
    return ExitUsage;
  }
  std::ofstream vcd;
  if (!line.VcdPath.empty()) {
    vcd.open(line.VcdPath, std::ios::binary);
    if (!vcd) return Refuse("cannot write " + line.VcdPath + ": " + std::strerror(errno));
    line.Options.Vcd = &vcd;
  }
  int status = 0;
  if (!line.HasScript || line.Script == "-") {
    status = RunScript(std::cin, true, line.Options);
  } else {
    std::string refusal = RefusalOf(line.Script);
    std::ifstream script;
    if (refusal.empty()) {
      script.open(line.Script);
      if (!script) refusal = "cannot read " + line.Script + ": " + std::strerror(errno);
    }
    if (!refusal.empty()) return Refuse(refusal);
    status = RunScript(script, false, line.Options);
  }
  if (vcd.is_open()) {
    vcd.close();
    if (vcd.fail()) return Refuse("cannot write " + line.VcdPath);
  }
  return status;
}
