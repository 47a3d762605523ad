// The Escape key on a POSIX terminal, through a real pseudo-terminal: a child
// process on a new terminal takes one sample while input waits, and reports
// the sample, what it could still read afterwards and whether the terminal's
// modes came back.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "platform/os.h"

namespace lineio::testing {
namespace {

struct SampleReport {
  std::uint16_t Sample = 0;
  bool ModesRestored = false;
  std::string LeftUnread;
};

// Reads from the terminal's master side until `echo` has come back, so the
// line discipline has taken every byte typed before the child samples.
bool WaitForEcho(int master, const std::string& echo) {
  std::string seen;
  char byte = 0;
  while (seen.size() < echo.size() || seen.compare(seen.size() - echo.size(), echo.size(), echo) != 0) {
    if (read(master, &byte, 1) != 1) return false;
    seen += byte;
  }
  return true;
}

// In the child, on its own terminal: one sample, then everything still unread.
[[noreturn]] void SampleAndReport(int goPipe, int reportPipe) {
  char go = 0;
  if (read(goPipe, &go, 1) != 1) _exit(2);
  const std::uint16_t sample = platform::os::EscapeKeySample();
  termios modes{};
  tcgetattr(STDIN_FILENO, &modes);
  const bool restored = (modes.c_lflag & ICANON) != 0 && (modes.c_lflag & ECHO) != 0;
  modes.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  modes.c_cc[VMIN] = 0;
  modes.c_cc[VTIME] = 0;
  tcsetattr(STDIN_FILENO, TCSANOW, &modes);
  std::string report{static_cast<char>(sample >> 8), static_cast<char>(restored ? 1 : 0)};
  char byte = 0;
  while (read(STDIN_FILENO, &byte, 1) == 1) report += byte;
  if (write(reportPipe, report.data(), report.size()) != static_cast<ssize_t>(report.size())) _exit(3);
  _exit(0);
}

// Types `typed` on a new terminal whose foreground process then samples.
SampleReport SampleAfterTyping(const std::string& typed, const std::string& echo) {
  int go[2];
  int report[2];
  if (pipe(go) != 0 || pipe(report) != 0) return {};
  int master = -1;
  const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
  if (child == 0) {
    close(go[1]);
    close(report[0]);
    SampleAndReport(go[0], report[1]);
  }
  close(go[0]);
  close(report[1]);
  SampleReport result;
  if (child > 0 && write(master, typed.data(), typed.size()) == static_cast<ssize_t>(typed.size()) &&
      WaitForEcho(master, echo) && write(go[1], "g", 1) == 1) {
    std::string raw;
    char buffer[64];
    ssize_t count;
    while ((count = read(report[0], buffer, sizeof buffer)) > 0)
      raw.append(buffer, static_cast<std::size_t>(count));
    if (raw.size() >= 2) {
      result.Sample = static_cast<std::uint16_t>(static_cast<unsigned char>(raw[0]) << 8);
      result.ModesRestored = raw[1] == 1;
      result.LeftUnread = raw.substr(2);
    }
  }
  close(go[1]);
  close(report[0]);
  if (child > 0) waitpid(child, nullptr, 0);
  if (master >= 0) close(master);
  return result;
}

TEST(EscapeKeyTest, ASampleReadsTheTerminalOnlyUpToTheFirstEscape) {
  struct Case {
    const char* Name;
    std::string Typed;
    std::string Echo;  // as the terminal echoes it (ECHOCTL shows Escape as ^[)
    std::uint16_t Sample;
    std::string LeftUnread;
  };
  const Case cases[] = {
      {"typed ahead after the Escape stays", "ab\033cd", "ab^[cd", 0x8000, "cd"},
      {"a second Escape stays", "\033\033z", "^[^[z", 0x8000, "\033z"},
      {"no Escape: the sample reads it all", "xy", "xy", 0, ""},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const SampleReport report = SampleAfterTyping(c.Typed, c.Echo);
    EXPECT_EQ(report.Sample, c.Sample);
    EXPECT_TRUE(report.ModesRestored);
    EXPECT_EQ(report.LeftUnread, c.LeftUnread);
  }
}

}  // namespace
}  // namespace lineio::testing
