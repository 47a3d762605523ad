#include "fuzz/harness_support.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/linux/real_bus_guard.h"

namespace lineio::fuzz {

namespace {
constexpr char NullDevice[] = "/dev/null";

// From before the harness runs, the Linux backend refuses to register, map,
// transfer on or write the configuration of any function of the machine's
// real PCI bus, as in every test program: the harnesses serve the library
// from the simulated driver and the Linux parsers from temporary trees only.
[[maybe_unused]] const bool RealBusRefused = [] {
  platform::linuxpci::RefuseRealBus();
  return true;
}();

void ReopenOrDie(const char* path, const char* mode, FILE* stream) {
  if (std::freopen(path, mode, stream) == nullptr) {
    std::perror(path);
    std::abort();
  }
}
}  // namespace

bool ShowsOutput() { return std::getenv("LINEIO_FUZZ_SHOW_OUTPUT") != nullptr; }

void QuietStandardStreams() {
  if (!ShowsOutput()) ReopenOrDie(NullDevice, "w", stdout);
  ReopenOrDie(NullDevice, "r", stdin);
}

FuzzedStdin::FuzzedStdin(const std::uint8_t* data, std::size_t size) {
  descriptor_ = memfd_create("lineio-fuzz-stdin", 0);
  Require(descriptor_ >= 0, "an in-memory file for standard input");
  for (std::size_t written = 0; written < size;) {
    const ssize_t now = write(descriptor_, data + written, size - written);
    Require(now > 0, "standard input written");
    written += static_cast<std::size_t>(now);
  }
  ReopenOrDie(("/proc/self/fd/" + std::to_string(descriptor_)).c_str(), "r", stdin);
}

FuzzedStdin::~FuzzedStdin() {
  ReopenOrDie(NullDevice, "r", stdin);
  close(descriptor_);
}

QuietStderr::QuietStderr() : saved_(stderr) {
  static FILE* const NullStream = std::fopen(NullDevice, "w");
  Require(NullStream != nullptr, "/dev/null opened");
  if (!ShowsOutput()) stderr = NullStream;
}

QuietStderr::~QuietStderr() { stderr = saved_; }

void Require(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "lineio fuzz: property broken: %s\n", property);
  std::abort();
}

}  // namespace lineio::fuzz
