// Reads a trace file (LINEIO_TRACE, docs/trace.md) and writes its register
// accesses as a Value Change Dump (bus_waveform.h) in traced time: the time
// stamps, in microseconds. PortInit starts the stamps from 0 again: the dump
// goes on from where it was. Accesses within one microsecond are spread one
// microsecond apart, so that every change stays visible in order.
#pragma once

#include <istream>
#include <ostream>
#include <string>

namespace lineio::vcd {

struct ConversionError {
  int Line = 0;  // 0: none
  std::string Reason;
};

// Gives Line 0 when the whole trace was converted.
ConversionError ConvertTrace(std::istream& trace, std::ostream& vcd);

}  // namespace lineio::vcd
