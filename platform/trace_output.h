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

namespace os {

// The calls that differ between the systems.
inline constexpr int StandardErrorFd = 2;
// Opens the file for this process alone, emptied: its descriptor, or -1 with
// the error number, and `taken` when another process has it.
int OpenTraceFile(const std::string& path, bool& taken, int& error);
// Writes some of the bytes (async-signal-safe): how many, or -1 with the
// error number.
long WriteTraceBytes(int fd, const char* data, std::size_t size, int& error);
void CloseTraceFile(int fd);
int ProcessId();

}  // namespace os

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
