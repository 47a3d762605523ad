// The trace of a host: every export call with its arguments and result, every
// register access in the bus analyser's line format, every word a serial
// device takes (decoded from the library's own writes, with the decoder the
// simulator's board model uses), every message and interrupt, each line with
// its time in microseconds since PortInit (docs/trace.md).
//
// LINEIO_TRACE=FILE (or stderr) starts it when the library is loaded;
// LineioTrace starts and stops it. Lines collect in a buffer of fixed size,
// written out when it fills, at PortEnd, when the trace stops, at exit and,
// as far as a signal handler may, when the process dies of a fatal signal.
// When the file takes no more (a full disk), the trace stops with one line
// on standard error and the host goes on.
#pragma once

#include <cstddef>

#include "board/process_state.h"

namespace lineio {

inline constexpr std::size_t TraceBufferBytes = 64 * 1024;

// Starts a trace to the file (replacing one that runs): false, with nothing
// running, when it cannot be opened. StartTraceOrSay also says why on
// standard error, for the trace that the environment asks for.
bool StartTrace(const char* path);
bool StartTraceWithError(const char* path, int& error);
bool StartTraceOrSay(const char* path);
void StopTrace();
// The file being written ("stderr", the path, or path.PID); empty when none.
const char* TracePath();

inline bool TraceRunning() {
  if constexpr (!TraceBuilt) return false;
  return processState.Trace.Access != nullptr;
}

// A call starts: its line, "> Name arguments". PortInit restarts the clock first.
void TraceCallLine(const char* text);
// The call's result: "= text".
void TraceResultLine(const char* text);
void RestartTraceClock();
// Writes out what the buffer holds.
void FlushTrace();

}  // namespace lineio
