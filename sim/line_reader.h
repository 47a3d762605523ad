// Text input one line at a time, each line bounded: a line that does not end
// within the bound and a failed read are reported as such, never taken for the
// end of the input. A reader of an endless line (a device such as /dev/zero)
// thus stops after the bound instead of growing without end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>

namespace lineio::sim {

enum class LineRead : std::uint8_t {
  Line,       // a line, without its line end (a last line may lack one)
  End,        // the end of the input, after the last line
  TooLong,    // the line has more characters than the bound; nothing of it is kept
  ReadError,  // the input could not be read
};

class LineReader {
 public:
  LineReader(std::istream& in, std::size_t maxLength);

  LineRead Next(std::string& line);
  // The number of the line that the last Next read or stopped in, from 1.
  int LineNumber() const;

 private:
  std::istream& in_;
  std::size_t maxLength_;
  int lineNumber_ = 0;
};

}  // namespace lineio::sim
