// The Escape key on a POSIX system: read from the process's controlling
// terminal, if it has one and is in the terminal's foreground.
//
// A terminal reports key presses, not keys held down, and only in
// non-canonical mode. Each sample switches the terminal to non-canonical
// input without echo, reads what is waiting up to and including the first
// Escape byte, and restores the modes at once, so the modes never stay
// changed for longer than a sample. What was typed before the Escape is
// consumed with it; what follows it stays in the terminal for the host to
// read. While the tick waits run with no Escape typed, every byte typed is
// consumed, since the sample cannot look at a byte without reading it. An
// Escape byte counts as the key held down for a short while after it
// arrives, which is how long a key that is really held keeps repeating.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <limits>

#include "platform/os.h"

namespace lineio::platform::os {

namespace {

inline constexpr unsigned char EscapeByte = 0x1B;
inline constexpr std::uint16_t KeyDown = 0x8000;
inline constexpr double HeldAfterPressMs = 250.0;
inline constexpr int NotOpened = -2;

// The terminal is opened at the first sample and kept open; it is closed
// when the library is unloaded, so that loading and unloading it again and
// again does not pile up descriptors of /dev/tty in the host.
struct Terminal {
  Terminal() = default;
  ~Terminal() {
    if (Fd >= 0) close(Fd);
  }
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;
  int Fd = NotOpened;
  double LastEscapeMs = -std::numeric_limits<double>::infinity();
};
Terminal terminal;

int TerminalFd() {
  if (terminal.Fd == NotOpened) terminal.Fd = open("/dev/tty", O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  return terminal.Fd;
}

// Reads the waiting bytes one at a time up to the first Escape; true when one
// came. The bytes after it stay unread.
bool ReadUpToEscape(int fd) {
  unsigned char byte = 0;
  while (read(fd, &byte, 1) == 1) {
    if (byte == EscapeByte) return true;
  }
  return false;
}

// True when an Escape byte was waiting on the terminal.
bool EscapeWaiting(int fd) {
  termios saved{};
  if (tcgetattr(fd, &saved) != 0) return false;
  termios keys = saved;
  keys.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  keys.c_cc[VMIN] = 0;
  keys.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &keys) != 0) return false;
  const bool escape = ReadUpToEscape(fd);
  tcsetattr(fd, TCSANOW, &saved);
  return escape;
}

}  // namespace

std::uint16_t EscapeKeySample() {
  const int fd = TerminalFd();
  // A process in the background must not touch the terminal's modes (it would
  // be stopped for it), and it does not get the keys anyway.
  if (fd < 0 || tcgetpgrp(fd) != getpgrp()) return 0;
  const double now = MonotonicMilliseconds();
  if (EscapeWaiting(fd)) terminal.LastEscapeMs = now;
  return now - terminal.LastEscapeMs <= HeldAfterPressMs ? KeyDown : 0;
}

}  // namespace lineio::platform::os
