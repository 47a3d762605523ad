#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>

#include "platform/trace_output.h"

namespace lineio::platform {

namespace {

constexpr std::array FatalSignals = {SIGSEGV, SIGBUS, SIGABRT, SIGILL, SIGFPE, SIGTERM};

// The flush of the trace that runs, called from the handler.
struct FatalFlush {
  void (*Flush)() = nullptr;
  bool Installed = false;
  bool DropInstalled = false;
};
FatalFlush fatalFlush;

// Opens and locks one file; -1 with errno, EWOULDBLOCK when another process
// holds it.
int OpenLocked(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) return -1;
  // A device (standard error's terminal, /dev/full) is written as it is; a
  // regular file is emptied once it is ours.
  struct stat info {};
  const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 || (regular && ftruncate(fd, 0) != 0)) {
    const int error = errno;
    close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

void OnFatalSignal(int signal) {
  if (fatalFlush.Flush != nullptr) fatalFlush.Flush();
  // Ends the process as the signal would have.
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  raise(signal);
}

}  // namespace

bool OpenTraceOutput(const char* path, TraceOutput& output, int& error) {
  output = TraceOutput{};
  if (std::string(path) == "stderr") {
    output.Fd = STDERR_FILENO;
    output.Path = "stderr";
    return true;
  }
  std::string chosen = path;
  int fd = OpenLocked(chosen);
  if (fd < 0 && errno == EWOULDBLOCK) {
    chosen += "." + std::to_string(getpid());
    fd = OpenLocked(chosen);
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
    const ssize_t written = write(output.Fd, data, size);
    if (written < 0 && errno == EINTR) continue;
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
  if (output.Owned && output.Fd >= 0) close(output.Fd);
  output = TraceOutput{};
}

void FlushOnFatalSignal(void (*flush)()) {
  fatalFlush.Flush = flush;
  if (fatalFlush.Installed) return;
  fatalFlush.Installed = true;
  for (const int signal : FatalSignals) {
    struct sigaction previous {};
    if (sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler != SIG_DFL) continue;
    struct sigaction action {};
    action.sa_handler = OnFatalSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(signal, &action, nullptr);
  }
}

void DropInForkedChild(void (*drop)()) {
  if (fatalFlush.DropInstalled) return;
  fatalFlush.DropInstalled = pthread_atfork(nullptr, nullptr, drop) == 0;
}

}  // namespace lineio::platform
