// A host session against the simulated board: what the host calls, what it
// gets back, and what the board saw.
#pragma once

namespace lineio::demo {

// Runs the session on the simulated bus; gives the process exit code.
int RunSession();

}  // namespace lineio::demo
