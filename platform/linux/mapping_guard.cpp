#include "platform/linux/mapping_guard.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>

namespace lineio::platform::linuxpci {

namespace {

// Ranges held at once: six memory ranges per board, for many boards.
constexpr std::size_t GuardedRanges = 64;

// One guarded range. The signal handler reads it without a lock: Start is
// stored last (release) when a range is guarded and first (0) when it is not.
struct GuardedRange {
  std::atomic<std::uintptr_t> Start{0};
  std::atomic<std::size_t> Bytes{0};
  std::atomic<bool> Taken{false};
  std::atomic<bool> Lost{false};
  char Line[GuardLineBytes] = {};
  std::size_t LineLength = 0;
};

std::array<GuardedRange, GuardedRanges> guarded;
std::mutex installLock;
bool installed = false;
struct sigaction previous {};

// The pages of the range, whatever backs them now, replaced by private zero
// pages at the same address.
bool ReplaceWithZeros(std::uintptr_t start, std::size_t bytes) {
  void* wanted = reinterpret_cast<void*>(start);
  return mmap(wanted, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) ==
         wanted;
}

// A SIGBUS that is not the guard's: the previous handler takes it; with none,
// the previous disposition is put back and the signal acts as it would have
// (a fault recurs when the access runs again; a sent signal is sent again).
void PassOn(int signal, siginfo_t* info, void* context) {
  if ((previous.sa_flags & SA_SIGINFO) != 0 && previous.sa_sigaction != nullptr) {
    previous.sa_sigaction(signal, info, context);
    return;
  }
  if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
    previous.sa_handler(signal);
    return;
  }
  sigaction(SIGBUS, &previous, nullptr);
  if (info->si_code <= 0) raise(signal);
}

// The range's pages become zero pages; its line is said the first time.
// Safe in a signal handler.
bool Lose(GuardedRange& range, std::uintptr_t start, std::size_t bytes) {
  if (!ReplaceWithZeros(start, bytes)) return false;
  if (!range.Lost.exchange(true)) {
    const ssize_t written = write(STDERR_FILENO, range.Line, range.LineLength);
    static_cast<void>(written);  // nothing more can be done about a failed line
  }
  return true;
}

void OnBusError(int signal, siginfo_t* info, void* context) {
  const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
  for (GuardedRange& range : guarded) {
    const std::uintptr_t start = range.Start.load(std::memory_order_acquire);
    const std::size_t bytes = range.Bytes.load(std::memory_order_relaxed);
    if (start == 0 || address < start || address - start >= bytes) continue;
    if (!Lose(range, start, bytes)) break;
    return;  // the access runs again, on the zero pages
  }
  PassOn(signal, info, context);
}

void InstallOnce() {
  const std::lock_guard hold(installLock);
  if (installed) return;
  struct sigaction action {};
  action.sa_sigaction = OnBusError;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESTART;
  sigemptyset(&action.sa_mask);
  installed = sigaction(SIGBUS, &action, &previous) == 0;
}

// The handler's code goes with the library: when it is unloaded, the
// disposition from before is put back, unless someone else's is in place.
struct RemoveAtUnload {
  RemoveAtUnload() = default;
  ~RemoveAtUnload() {
    const std::lock_guard hold(installLock);
    struct sigaction current {};
    if (installed && sigaction(SIGBUS, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) != 0 &&
        current.sa_sigaction == OnBusError) {
      sigaction(SIGBUS, &previous, nullptr);
    }
    installed = false;
  }
  RemoveAtUnload(const RemoveAtUnload&) = delete;
  RemoveAtUnload& operator=(const RemoveAtUnload&) = delete;
};
RemoveAtUnload removeAtUnload;

std::size_t WholePages(std::size_t bytes) {
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  return (bytes + page - 1) / page * page;
}

GuardedRange* RangeAt(std::uintptr_t start) {
  for (GuardedRange& range : guarded) {
    if (range.Start.load(std::memory_order_acquire) == start) return &range;
  }
  return nullptr;
}

}  // namespace

bool GuardMapping(void* start, std::size_t bytes, const std::string& line) {
  InstallOnce();
  for (GuardedRange& range : guarded) {
    if (range.Taken.exchange(true)) continue;
    range.LineLength = std::min(line.size(), GuardLineBytes);
    std::memcpy(range.Line, line.data(), range.LineLength);
    range.Lost.store(false);
    range.Bytes.store(WholePages(bytes), std::memory_order_relaxed);
    range.Start.store(reinterpret_cast<std::uintptr_t>(start), std::memory_order_release);
    return true;
  }
  return false;
}

void UnguardMapping(void* start) {
  GuardedRange* range = start != nullptr ? RangeAt(reinterpret_cast<std::uintptr_t>(start)) : nullptr;
  if (range == nullptr) return;
  range->Start.store(0, std::memory_order_release);
  range->Bytes.store(0, std::memory_order_relaxed);
  range->Taken.store(false);
}

void LoseMapping(void* start, std::size_t bytes) {
  const auto at = reinterpret_cast<std::uintptr_t>(start);
  if (start == nullptr) return;
  if (GuardedRange* range = RangeAt(at)) {
    Lose(*range, at, range->Bytes.load(std::memory_order_relaxed));
  } else {
    ReplaceWithZeros(at, WholePages(bytes));
  }
}

bool MappingLost(const void* address) {
  const auto at = reinterpret_cast<std::uintptr_t>(address);
  for (const GuardedRange& range : guarded) {
    const std::uintptr_t start = range.Start.load(std::memory_order_acquire);
    if (start != 0 && at >= start && at - start < range.Bytes.load(std::memory_order_relaxed)) {
      return range.Lost.load();
    }
  }
  return false;
}

}  // namespace lineio::platform::linuxpci
