// Installing the trace's hooks, and the access paths that follow from them.
#include "board/trace_hooks.h"

#include "board/process_state.h"
#include "board/register_access.h"

namespace lineio {

void InstallTraceHooks(const TraceHooks& hooks) {
  processState.Trace = hooks;
  if (BoardHandle* board = processState.Board.CurrentBoard) OpenDirectPaths(board);
}

}  // namespace lineio
