#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <share.h>
#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <csignal>

#include "platform/trace_output.h"

namespace lineio::platform {

namespace {

constexpr std::array FatalSignals = {SIGSEGV, SIGABRT, SIGILL, SIGFPE, SIGTERM};

struct FatalFlush {
  void (*Flush)() = nullptr;
  bool Installed = false;
};
FatalFlush fatalFlush;

void OnFatalSignal(int signal) {
  if (fatalFlush.Flush != nullptr) fatalFlush.Flush();
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

namespace os {

// A deny-write share: a second process that opens the file fails with EACCES.
// _sopen rather than _sopen_s: every msvcrt.dll has it. A directory also
// fails with EACCES there, so it is told apart first: it is not a file another
// process holds, and a trace beside it under a process suffix would be wrong.
int OpenTraceFile(const std::string& path, bool& taken, int& error) {
  struct _stat info {};
  if (_stat(path.c_str(), &info) == 0 && (info.st_mode & _S_IFDIR) != 0) {
    taken = false;
    error = EISDIR;
    return -1;
  }
  const int fd = _sopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT, _SH_DENYWR,
                        _S_IREAD | _S_IWRITE);
  error = fd < 0 ? errno : 0;
  taken = fd < 0 && error == EACCES;
  return fd;
}

long WriteTraceBytes(int fd, const char* data, std::size_t size, int& error) {
  const int written = _write(fd, data, static_cast<unsigned>(size));
  if (written < 0) error = errno;
  return written;
}

void CloseTraceFile(int fd) { _close(fd); }

int ProcessId() { return _getpid(); }

}  // namespace os

void FlushOnFatalSignal(void (*flush)()) {
  fatalFlush.Flush = flush;
  if (fatalFlush.Installed) return;
  fatalFlush.Installed = true;
  for (const int signal : FatalSignals) {
    auto previous = std::signal(signal, OnFatalSignal);
    if (previous != SIG_DFL && previous != SIG_ERR) std::signal(signal, previous);
  }
}

// Windows has no fork.
void DropInForkedChild(void (*)()) {}

}  // namespace lineio::platform
