// The file a trace goes to, and the few system calls it needs: opening it for
// this process alone, writing (safe inside a signal handler), closing, and a
// flush when the process dies of a fatal signal.
//
// Two processes given one path: the first takes the file (an exclusive lock
// on POSIX, a deny-write share on Windows); a second one that finds it taken
// writes to the path with ".<its process id>" appended instead.
#pragma once

#include <cstddef>
#include <string>

namespace lineio::platform {

struct TraceOutput {
  int Fd = -1;
  bool Owned = false;  // false for standard error, which is never closed
  std::string Path;    // the file written: the path given, or path.PID
};

// Opens the trace file ("stderr": standard error), emptied. False with the
// system's error number when it cannot be opened for writing.
bool OpenTraceOutput(const char* path, TraceOutput& output, int& error);
// Writes all of the bytes; false with the error number when the system takes
// no more (a full disk). Uses only async-signal-safe calls.
bool WriteTraceOutput(const TraceOutput& output, const char* data, std::size_t size, int& error);
void CloseTraceOutput(TraceOutput& output);

// From now on a fatal signal (segmentation fault, bus error, abort, illegal
// instruction, arithmetic error, termination) first calls `flush`, then ends
// the process as it would have. Signals the host handles itself are left to
// it. Installed once per process.
void FlushOnFatalSignal(void (*flush)());
// A child that the process forks calls `drop` first thing (POSIX only): the
// parent's trace, buffer and file are not the child's to write.
void DropInForkedChild(void (*drop)());

}  // namespace lineio::platform
