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
