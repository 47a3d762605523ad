// A Value Change Dump (IEEE 1364, section 18) as GTKWave, PulseView and
// sigrok-cli read it: signals declared once, then each change at its time.
// A change to the value a signal already has is not written.
//
// A bus is written bit by bit, as the wires name[7] ... name[0], which
// GTKWave joins into one bus again (its VCD loader coalesces such names):
// Debian's sigrok (libsigrok 0.5.2) stops reading a dump at the first change
// of a vector ("Unexpected vector format!"), so a dump with vectors could not
// be checked with it.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace lineio::vcd {

class VcdWriter {
 public:
  // `timescale` as VCD writes it ("1 us").
  VcdWriter(std::ostream& out, std::string timescale);

  // Declares a signal of `width` bits (1: a wire, more: a bus) in the scope;
  // gives its handle. Only before the first change.
  int Declare(const std::string& scope, const std::string& name, int width);
  // The value of a signal from `time` on; times never go back.
  void Change(std::uint64_t time, int signal, std::uint64_t value);
  // Ends the header if nothing changed yet, and the dump at `time`.
  void Finish(std::uint64_t time);

 private:
  struct Signal {
    std::string Scope;
    std::string Name;
    int Width;
    std::vector<std::string> Codes;  // one per bit, bit 0 first
    std::uint64_t Value;
  };
  void WriteHeader();
  // The bits of the signal that `changed` marks.
  void WriteBits(const Signal& signal, std::uint64_t changed);

  std::ostream& out_;
  std::string timescale_;
  std::vector<Signal> signals_;
  int codes_ = 0;
  bool headerWritten_ = false;
  bool timeWritten_ = false;
  std::uint64_t time_ = 0;
};

}  // namespace lineio::vcd
