// What every harness needs around the library: quiet standard streams, a
// fuzz input as standard input, and a check that aborts (so that libFuzzer
// keeps the input) when a property of the run does not hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace lineio::fuzz {

// Standard output goes to /dev/null (the dialogues and the analyser print a
// great deal), unless LINEIO_FUZZ_SHOW_OUTPUT is set in the environment, for
// reading what a single input does. Standard input reads /dev/null.
void QuietStandardStreams();
// Whether standard output is shown (LINEIO_FUZZ_SHOW_OUTPUT is set).
bool ShowsOutput();

// Standard input reads the given bytes while this object lives, then
// /dev/null again.
class FuzzedStdin {
 public:
  FuzzedStdin(const std::uint8_t* data, std::size_t size);
  ~FuzzedStdin();
  FuzzedStdin(const FuzzedStdin&) = delete;
  FuzzedStdin& operator=(const FuzzedStdin&) = delete;

 private:
  int descriptor_ = -1;
};

// The standard error stream of the code under test reads /dev/null while this
// object lives (unless LINEIO_FUZZ_SHOW_OUTPUT is set). Only the stream's
// pointer changes: libFuzzer and the sanitizers still report on descriptor 2.
class QuietStderr {
 public:
  QuietStderr();
  ~QuietStderr();
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  FILE* saved_;
};

// Prints the broken property on standard error and aborts.
void Require(bool holds, const char* property);

// Runs one fuzz input; each harness defines it (entry_points.cpp calls it).
int RunInput(const std::uint8_t* data, std::size_t size);

}  // namespace lineio::fuzz
