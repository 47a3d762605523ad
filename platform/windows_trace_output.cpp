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

constexpr int StderrFd = 2;
constexpr std::array FatalSignals = {SIGSEGV, SIGABRT, SIGILL, SIGFPE, SIGTERM};

struct FatalFlush {
  void (*Flush)() = nullptr;
  bool Installed = false;
};
FatalFlush fatalFlush;

// Opens one file for this process alone; -1 with errno (EACCES when another
// process has it open).
int OpenShared(const std::string& path) {
  int fd = -1;
  errno = _sopen_s(&fd, path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT, _SH_DENYWR,
                   _S_IREAD | _S_IWRITE);
  return errno == 0 ? fd : -1;
}

void OnFatalSignal(int signal) {
  if (fatalFlush.Flush != nullptr) fatalFlush.Flush();
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

bool OpenTraceOutput(const char* path, TraceOutput& output, int& error) {
  output = TraceOutput{};
  if (std::string(path) == "stderr") {
    output.Fd = StderrFd;
    output.Path = "stderr";
    return true;
  }
  std::string chosen = path;
  int fd = OpenShared(chosen);
  if (fd < 0 && errno == EACCES) {
    chosen += "." + std::to_string(_getpid());
    fd = OpenShared(chosen);
  }
  if (fd < 0) {
    error = errno;
    return false;
  }
  output.Fd = fd;
  output.Owned = true;
  output.Path = chosen;
  return true;
}

bool WriteTraceOutput(const TraceOutput& output, const char* data, std::size_t size, int& error) {
  while (size > 0) {
    const int written = _write(output.Fd, data, static_cast<unsigned>(size));
    if (written <= 0) {
      error = written == 0 ? ENOSPC : errno;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

void CloseTraceOutput(TraceOutput& output) {
  if (output.Owned && output.Fd >= 0) _close(output.Fd);
  output = TraceOutput{};
}

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
