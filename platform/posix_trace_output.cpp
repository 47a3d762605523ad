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

namespace os {

int OpenTraceFile(const std::string& path, bool& taken, int& error) {
  taken = false;
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) {
    error = errno;
    return -1;
  }
  // A device (/dev/null, /dev/full, a terminal) is written as it is, shared
  // by whoever writes it; a regular file is locked, and emptied once it is ours.
  struct stat info {};
  const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  if (regular && (flock(fd, LOCK_EX | LOCK_NB) != 0 || ftruncate(fd, 0) != 0)) {
    error = errno;
    taken = error == EWOULDBLOCK;
    close(fd);
    return -1;
  }
  return fd;
}

long WriteTraceBytes(int fd, const char* data, std::size_t size, int& error) {
  for (;;) {
    const ssize_t written = write(fd, data, size);
    if (written >= 0) return written;
    if (errno != EINTR) {
      error = errno;
      return -1;
    }
  }
}

void CloseTraceFile(int fd) { close(fd); }

int ProcessId() { return static_cast<int>(getpid()); }

}  // namespace os

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
