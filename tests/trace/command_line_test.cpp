// The bus analyser as a person runs it: what it refuses to read, and the
// script lines it refuses, each with its message and exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/program_command.h"

namespace lineio::testing {
namespace {

namespace fs = std::filesystem;

const std::string Analyser = LINEIO_TRACE_KESTREL;
const std::string Program = "lineio-trace-kestrel: ";

struct AnalyserRun {
  int Status;
  std::string Output;
  std::string Errors;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs the analyser with its arguments and standard input read from `input`.
AnalyserRun RunAnalyser(const std::vector<std::string>& arguments, const std::string& input) {
  const fs::path out = fs::temp_directory_path() / ("trace-out-" + std::to_string(getpid()));
  const fs::path err = fs::temp_directory_path() / ("trace-err-" + std::to_string(getpid()));
  const pid_t child = fork();
  if (child == 0) {
    const int in = open(input.c_str(), O_RDONLY);
    const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || outFd < 0 || errFd < 0) _exit(127);
    dup2(in, STDIN_FILENO);
    dup2(outFd, STDOUT_FILENO);
    dup2(errFd, STDERR_FILENO);
    std::vector<std::string> words{Analyser};
    words.insert(words.end(), arguments.begin(), arguments.end());
    ExecProgram(words);
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  AnalyserRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
  fs::remove(out);
  fs::remove(err);
  return run;
}

// A script file with the given text, removed with the object.
class ScriptFile {
 public:
  explicit ScriptFile(const std::string& text)
      : path_(fs::temp_directory_path() / ("trace-script-" + std::to_string(getpid()))) {
    std::ofstream(path_, std::ios::binary) << text;
  }
  ~ScriptFile() { fs::remove(path_); }
  ScriptFile(const ScriptFile&) = delete;
  ScriptFile& operator=(const ScriptFile&) = delete;
  std::string Path() const { return path_.string(); }

 private:
  fs::path path_;
};

TEST(TraceCommandLineTest, PathsThatAreNoScriptAreRefused) {
  const std::string directory = fs::temp_directory_path().string();
  struct Case {
    std::string Path;
    std::string Errors;
  };
  const Case cases[] = {
      {"", "the script name is empty\n"},
      {"/nonexistent/script", "cannot read /nonexistent/script: No such file or directory\n"},
      {directory, directory + " is a directory, not a script\n"},
      {"/dev/zero", "/dev/zero is a device or other special file, not a script\n"},
      {"/dev/null", "/dev/null is a device or other special file, not a script\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Path);
    const AnalyserRun run = RunAnalyser({c.Path}, "/dev/null");
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Output, "");
    EXPECT_EQ(run.Errors, Program + c.Errors);
  }
}

TEST(TraceCommandLineTest, StandardInputThatCannotBeReadStopsTheScript) {
  struct Case {
    const char* Name;
    std::string Input;
    std::string Errors;
  };
  const Case cases[] = {
      {"a directory: a read error", fs::temp_directory_path().string(), "line 1: read error\n"},
      {"an endless line", "/dev/zero", "line 1: longer than 4096 characters\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const AnalyserRun run = RunAnalyser({}, c.Input);
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Output, "");
    EXPECT_EQ(run.Errors, Program + c.Errors);
  }
}

TEST(TraceCommandLineTest, BadLinesStopTheScriptWithTheirLineNumber) {
  struct Case {
    const char* Name;
    std::string Script;
    std::string Errors;
  };
  const Case cases[] = {
      {"a line too long", "PortQinp 16\n#" + std::string(4096, 'x') + "\nPortQinp 16\n",
       "line 2: longer than 4096 characters\n"},
      {"a zero byte in a number",
       std::string("PortQinp 1\0"
                   "6\n",
                   13),
       "line 1: '1\\x006' is not a number\n"},
      {"a zero byte after a number", std::string("PortQinp 16\0\n", 13),
       "line 1: '16\\x00' is not a number\n"},
      {"beyond 32 bits", "OutD 0x310 0x100000000\n",
       "line 1: argument 2 of OutD, 0x100000000, is out of range (0 to 4294967295)\n"},
      {"beyond 32 bits by a wrap", "tick 4294967297\n",
       "line 1: argument 1 of tick, 4294967297, is out of range (0 to 4294967295)\n"},
      {"beyond 64 bits", "PortQinp 18446744073709551632\n",
       "line 1: '18446744073709551632' is not a number\n"},
      {"a control byte in a command", "\x01PortQinp 16\n", "line 1: unknown command '\\x01PortQinp'\n"},
      {"HdTimer before PortInit", "tick 1\nHdTimer 1\n",
       "line 2: HdTimer needs an open board, and none is open (PortInit opens it, PortEnd closes it)\n"},
      {"Click before PortInit, Escape down", "escape 1\nClick 1\n",
       "line 2: Click needs an open board, and none is open (PortInit opens it, PortEnd closes it)\n"},
      {"HdTimer after PortEnd", "quiet\nPortInit 0\nPortEnd\ntick 1\nHdTimer 1\n",
       "line 5: HdTimer needs an open board, and none is open (PortInit opens it, PortEnd closes it)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const ScriptFile script(c.Script);
    const AnalyserRun run = RunAnalyser({script.Path()}, "/dev/null");
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Errors, Program + c.Errors);
  }
}

TEST(TraceCommandLineTest, TheLastLineNeedsNoLineEnd) {
  const ScriptFile script("tick 1\nPortQinp 16");
  const AnalyserRun run = RunAnalyser({script.Path()}, "/dev/null");
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Output, "= 0\n");
  EXPECT_EQ(run.Errors, "");
}

}  // namespace
}  // namespace lineio::testing
