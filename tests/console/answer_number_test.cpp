// Numbers in the console's answers: scanf's reading of a word, except that a
// number too large for 32 bits is refused and a NUL byte makes no number.
#include <gtest/gtest.h>

#include <string>

#include "board/answer_number.h"

namespace lineio::testing {
namespace {

struct Case {
  std::string Word;
  AnswerNumberKind Kind;
  std::uint32_t Value;
};

void Check(const Case& c, AnswerNumber (*parse)(const char*, std::size_t)) {
  SCOPED_TRACE("word \"" + c.Word + "\"");
  const AnswerNumber number = parse(c.Word.data(), c.Word.size());
  EXPECT_EQ(number.Kind, c.Kind);
  EXPECT_EQ(number.Value, c.Value);
}

constexpr AnswerNumberKind Number = AnswerNumberKind::Number;
constexpr AnswerNumberKind NotANumber = AnswerNumberKind::NotANumber;
constexpr AnswerNumberKind TooBig = AnswerNumberKind::TooBig;

TEST(AnswerNumberTest, DecimalWordsAsScanfReadsThemButNeverCutDown) {
  const Case cases[] = {
      {"18", Number, 18},
      {"12zz", Number, 12},
      {"+7", Number, 7},
      {"-5", Number, 0xFFFFFFFB},
      {"2147483647", Number, 0x7FFFFFFF},
      {"-2147483648", Number, 0x80000000},
      {"2147483648", TooBig, 0},
      {"-2147483649", TooBig, 0},
      {"4294967314", TooBig, 0},
      {std::string(99, '7'), TooBig, 0},
      {"x12", NotANumber, 0},
      {"-", NotANumber, 0},
      {"", NotANumber, 0},
      {std::string("1\0"
                   "2",
                   3),
       NotANumber, 0},
  };
  for (const Case& c : cases) Check(c, ParseDecimalNumber);
}

TEST(AnswerNumberTest, HexadecimalWordsAsScanfReadsThemButNeverCutDown) {
  const Case cases[] = {
      {"ff", Number, 0xFF},
      {"FF", Number, 0xFF},
      {"0x1A", Number, 0x1A},
      {"0X1a", Number, 0x1A},
      {"0x", Number, 0},
      {"0xg", Number, 0},
      {"12zz", Number, 0x12},
      {"ffffffff", Number, 0xFFFFFFFF},
      {"0x0000000ffffffff", Number, 0xFFFFFFFF},
      {"-1", Number, 0xFFFFFFFF},
      {"100000001", TooBig, 0},
      {"100000000", TooBig, 0},
      {"zz", NotANumber, 0},
      {"x5", NotANumber, 0},
      {std::string("f\0f", 3), NotANumber, 0},
  };
  for (const Case& c : cases) Check(c, ParseHexNumber);
}

}  // namespace
}  // namespace lineio::testing
