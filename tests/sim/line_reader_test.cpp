// Lines read within their bound: what each call gives, and where it stops.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "sim/line_reader.h"

namespace lineio::sim {
namespace {

struct Step {
  LineRead Read;
  std::string Line;
  int LineNumber;

  bool operator==(const Step&) const = default;
};

std::vector<Step> ReadAll(const std::string& text, std::size_t maxLength) {
  std::istringstream in(text);
  LineReader reader(in, maxLength);
  std::vector<Step> steps;
  for (;;) {
    std::string line;
    const LineRead read = reader.Next(line);
    steps.push_back(Step{read, line, reader.LineNumber()});
    if (read != LineRead::Line) return steps;
  }
}

void PrintTo(const Step& step, std::ostream* out) {
  *out << static_cast<int>(step.Read) << " '" << step.Line << "' " << step.LineNumber;
}

TEST(LineReaderTest, GivesEachLineAndStopsAtTheBound) {
  struct Case {
    const char* Name;
    std::string Text;
    std::vector<Step> Steps;
  };
  const std::string full(8, 'x');
  const Case cases[] = {
      {"empty input", "", {{LineRead::End, "", 0}}},
      {"one empty line", "\n", {{LineRead::Line, "", 1}, {LineRead::End, "", 1}}},
      {"last line without its end",
       "a\nb",
       {{LineRead::Line, "a", 1}, {LineRead::Line, "b", 2}, {LineRead::End, "", 2}}},
      {"a line at the bound", full + "\n", {{LineRead::Line, full, 1}, {LineRead::End, "", 1}}},
      {"a line past the bound",
       "a\n" + full + "y\nb\n",
       {{LineRead::Line, "a", 1}, {LineRead::TooLong, "", 2}}},
      {"zero bytes and carriage returns are kept",
       std::string("a\0b\r\n", 5),
       {{LineRead::Line, std::string("a\0b\r", 4), 1}, {LineRead::End, "", 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(ReadAll(c.Text, full.size()), c.Steps);
  }
}

}  // namespace
}  // namespace lineio::sim
