#include "sim/line_reader.h"

namespace lineio::sim {

LineReader::LineReader(std::istream& in, std::size_t maxLength) : in_(in), maxLength_(maxLength) {}

LineRead LineReader::Next(std::string& line) {
  line.clear();
  bool started = false;
  for (;;) {
    const std::istream::int_type c = in_.get();
    // A failed read sets badbit (the stream catches what the file buffer threw).
    if (in_.bad()) {
      ++lineNumber_;
      return LineRead::ReadError;
    }
    if (c == std::istream::traits_type::eof()) {
      if (!started) return LineRead::End;
      ++lineNumber_;
      return LineRead::Line;
    }
    started = true;
    if (c == '\n') {
      ++lineNumber_;
      return LineRead::Line;
    }
    if (line.size() == maxLength_) {
      ++lineNumber_;
      line.clear();
      return LineRead::TooLong;
    }
    line.push_back(std::istream::traits_type::to_char_type(c));
  }
}

int LineReader::LineNumber() const { return lineNumber_; }

}  // namespace lineio::sim
