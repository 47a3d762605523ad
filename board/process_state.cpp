#include "board/process_state.h"

namespace lineio {

ProcessState processState;

void ResetProcessState() { processState = ProcessState{}; }

}  // namespace lineio
