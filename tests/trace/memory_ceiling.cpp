// Runs a bus analyser on a long script fed through a pipe and checks the peak
// resident set size that the system measured for it against a ceiling: the
// analyser must keep nothing per line or per register access. The script
// holds a tick wait over millions of status reads and then many lines of
// ordinary calls.
//   trace_memory_ceiling <analyser> <ceiling in kB> <lines>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/program_command.h"

namespace {

constexpr int ExitPassed = 0;
constexpr int ExitFailed = 1;

// A tick every 100,000 status reads: HdTimer 25 reads StatReg five million times.
constexpr const char* Prologue = "quiet\nPortInit 0\ntick 100000\nHdTimer 25\ntick 0\n";
constexpr const char* const Lines[] = {"PortOut 48 0x12\n", "BitOn 16 3\n", "TestIbit 16 3\n",
                                       "ContRelay 0x1234\n"};

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t written = write(fd, text.data() + done, text.size() - done);
    if (written <= 0) return false;
    done += static_cast<std::size_t>(written);
  }
  return true;
}

// Feeds the script in blocks; false when the analyser stopped reading.
bool FeedScript(int fd, long lines) {
  if (!WriteAll(fd, Prologue)) return false;
  std::string block;
  for (long line = 0; line < lines; ++line) {
    block += Lines[line % std::size(Lines)];
    if (block.size() >= 1 << 16 || line + 1 == lines) {
      if (!WriteAll(fd, block)) return false;
      block.clear();
    }
  }
  return true;
}

pid_t StartAnalyser(const char* analyser, int& scriptFd) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    dup2(pipeFds[0], STDIN_FILENO);
    close(pipeFds[0]);
    close(pipeFds[1]);
    if (std::freopen("/dev/null", "w", stdout) == nullptr) _exit(127);
    lineio::testing::ExecProgram({analyser, "-"});
    _exit(127);
  }
  close(pipeFds[0]);
  scriptFd = pipeFds[1];
  return child;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <analyser> <ceiling kB> <lines>\n", argv[0]);
    return ExitFailed;
  }
  const long ceilingKb = std::strtol(argv[2], nullptr, 10);
  const long lines = std::strtol(argv[3], nullptr, 10);
  std::signal(SIGPIPE, SIG_IGN);
  int scriptFd = -1;
  const pid_t child = StartAnalyser(argv[1], scriptFd);
  if (child < 0) {
    std::perror("cannot start the analyser");
    return ExitFailed;
  }
  const bool fed = FeedScript(scriptFd, lines);
  close(scriptFd);
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child) {
    std::perror("wait4");
    return ExitFailed;
  }
  std::printf("analyser peak RSS %ld kB over %ld script lines (ceiling %ld kB)\n", usage.ru_maxrss, lines,
              ceilingKb);
  if (!fed || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::printf("the analyser did not run the script to its end (status %d)\n", status);
    return ExitFailed;
  }
  return usage.ru_maxrss < ceilingKb ? ExitPassed : ExitFailed;
}
