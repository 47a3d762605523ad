// Unloading a library that a host loaded for a while: what it opened and
// allocated goes with it. A host program loads and unloads it five times on
// a terminal of its own (a pseudo-terminal, so that the Escape key is sampled
// from /dev/tty by the tick waits of the simulation flavour, whose board
// ticks), with and without PortEnd, and counts its descriptors after each
// unload; the host is built with the leak checker, which fails it when the
// board record is left allocated.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/linux/fake_tree.h"
#include "tests/support/program_command.h"

extern char** environ;

namespace lineio::testing {
namespace {

struct TerminalRun {
  std::string Output;  // standard output and standard error, as the terminal shows them
  int Status = -1;     // exit status; -1 when killed by a signal
};

// Runs the program on a new terminal with the process's environment plus
// `environment`.
TerminalRun RunOnTerminal(const std::vector<std::string>& arguments,
                          const std::map<std::string, std::string>& environment) {
  std::vector<std::string> texts;
  for (char** entry = environ; *entry != nullptr; ++entry) texts.emplace_back(*entry);
  for (const auto& [name, value] : environment) texts.push_back(name + "=" + value);
  std::vector<char*> variables;
  for (std::string& text : texts) variables.push_back(text.data());
  variables.push_back(nullptr);

  TerminalRun run;
  int master = -1;
  const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
  if (child < 0) return run;
  if (child == 0) {
    ExecProgram(arguments, variables.data());
    _exit(127);
  }
  char chunk[4096];
  ssize_t got = 0;
  // The read fails (EIO) once the program has ended and the terminal closed.
  while ((got = read(master, chunk, sizeof chunk)) > 0)
    run.Output.append(chunk, static_cast<std::size_t>(got));
  close(master);
  int status = 0;
  waitpid(child, &status, 0);
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::vector<int> DescriptorCounts(const std::string& output) {
  std::vector<int> counts;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    int count = 0;
    if (std::sscanf(line.c_str(), "descriptors %d", &count) == 1) counts.push_back(count);
  }
  return counts;
}

constexpr int Cycles = 5;

TEST(LinuxUnloadTest, UnloadingReleasesTheTerminalAndTheBoardRecord) {
  FakeTree tree;
  tree.Add(IoBoard(0x136C, 0xA036));
  struct Library {
    const char* Name;
    const char* Path;
    bool Tick;  // the board ticks, so the tick wait ends (and samples the Escape key)
  };
  const Library libraries[] = {{"on a fake tree", LINEIO_KESTREL_LIBRARY, false},
                               {"simulation flavour", LINEIO_KESTREL_SIMULATION, true}};
  const std::map<std::string, std::string> environment = {{"LINEIO_SYSFS_ROOT", tree.Root()},
                                                          {"LINEIO_DEV_ROOT", tree.DevRoot()}};
  for (const Library& library : libraries) {
    for (const char* mode : {"end", "noend"}) {
      SCOPED_TRACE(std::string(library.Name) + ", " + mode);
      std::vector<std::string> command = {LINEIO_UNLOAD_HOST, library.Path, std::to_string(Cycles), mode};
      if (library.Tick) command.emplace_back("tick");
      const TerminalRun run = RunOnTerminal(command, environment);
      EXPECT_EQ(run.Status, 0) << run.Output;
      EXPECT_EQ(run.Output.find("LeakSanitizer"), std::string::npos) << run.Output;
      EXPECT_EQ(run.Output.find("AddressSanitizer"), std::string::npos) << run.Output;
      const std::vector<int> counts = DescriptorCounts(run.Output);
      ASSERT_EQ(counts.size(), static_cast<std::size_t>(Cycles + 1)) << run.Output;
      for (int cycle = 1; cycle <= Cycles; ++cycle)
        EXPECT_EQ(counts[cycle], counts[0]) << "after cycle " << cycle;
    }
  }
}

}  // namespace
}  // namespace lineio::testing
