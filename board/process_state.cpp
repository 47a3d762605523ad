#include "board/process_state.h"

namespace lineio {

// Constant-initialized, so that what the library's load-time initializers
// set in it (messages.cpp, the trace) cannot be overwritten by its own.
constinit ProcessState processState;

void ResetProcessState() {
  const MessageStream messages = processState.Board.Messages;
  const TraceHooks trace = processState.Trace;
  processState = ProcessState{};
  processState.Board.Messages = messages;
  processState.Trace = trace;
}

}  // namespace lineio
