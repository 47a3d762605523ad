// The command that starts one of this build's programs from a test. A cross
// build's test runs under the toolchain's emulator (qemu-i386), and where the
// kernel runs 64-bit programs only, a 32-bit test program cannot start
// another 32-bit program by itself: the emulator's words go first.
#pragma once

#include <string>
#include <vector>

namespace lineio::testing {

// `words` (the program, then its arguments), after the emulator's words in a
// cross build.
std::vector<std::string> ProgramCommand(const std::vector<std::string>& words);

// Replaces the process with ProgramCommand(words), with `environment` when it
// is not null (execve's form) and the process's own otherwise; returns only
// when that fails.
void ExecProgram(const std::vector<std::string>& words, char* const* environment = nullptr);

}  // namespace lineio::testing
