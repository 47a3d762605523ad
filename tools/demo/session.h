// A host session against the simulated board: what the host calls, what it
// gets back, and what the board saw.
#pragma once

#include <string>

namespace lineio::demo {

// Runs the session on the simulated bus; gives the process exit code. With
// a plot directory it also writes there spectrum.svg, the spectrum that the
// session computes, and session.vcd, the waveforms of the whole session
// (one microsecond per register access, as lineio-trace-<board> --vcd).
int RunSession(const std::string& plotDirectory = "");

}  // namespace lineio::demo
