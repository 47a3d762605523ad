// Every length rule of include/lineio.hpp: with each span exactly as long as
// the library reads or writes, the call reaches the library (its output
// changes); with one element fewer it throws ArgumentError naming the export
// and the argument, and the library is not called (the outputs keep their
// sentinel values).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "lineio.hpp"

namespace {

constexpr float FloatSentinel = -7.0F;
constexpr std::uint16_t WordSentinel = 0x7777;
constexpr std::uint8_t ByteSentinel = 0x77;
constexpr std::uint16_t N = 8;

// The arrays of one call, each `missing` elements short where it is the one
// named; outputs filled with sentinels, inputs with data the library can use.
struct Arrays {
  Arrays(const lineio::Library& library, const std::string& shortOne) {
    auto size = [&](const char* name, std::size_t length) { return length - (shortOne == name ? 1 : 0); };
    const lineio::FftTables tables = library.Tables(N);
    Cosine.assign(tables.Cosine.begin(),
                  tables.Cosine.begin() + static_cast<long>(size("cosine", N / 2 + 1)));
    Sine.assign(tables.Sine.begin(), tables.Sine.begin() + static_cast<long>(size("sine", N / 2 + 1)));
    Permutation.assign(tables.Permutation.begin(),
                       tables.Permutation.begin() + static_cast<long>(size("permutation", N + 1)));
    TableCosine.assign(size("table cosine", N + 1), FloatSentinel);
    TableSine.assign(size("table sine", N + 1), FloatSentinel);
    TablePermutation.assign(size("table permutation", N + 1), WordSentinel);
    Real.assign(size("real", N + 1), FloatSentinel);
    Imaginary.assign(size("imaginary", N + 1), FloatSentinel);
    Samples.assign(size("samples", N + 1), 1.0F);
    Block.assign(size("block", 16), WordSentinel);
    Bytes.assign(size("bytes", 8), ByteSentinel);
    Words.assign(size("words", 4), WordSentinel);
  }
  std::vector<float> Cosine, Sine, TableCosine, TableSine, Real, Imaginary, Samples;
  std::vector<std::uint16_t> Permutation, TablePermutation, Block, Words;
  std::vector<std::uint8_t> Bytes;
};

struct Rule {
  const char* Call;                   // what the case calls
  std::vector<const char*> Spans;     // each span it checks (Arrays' names)
  std::vector<const char*> Messages;  // the message for each one short
  std::function<void(const lineio::Board&, Arrays&)> Run;
  std::function<bool(const Arrays&)> LibraryWrote;  // true when the library's output changed
};

bool AnyChanged(const std::vector<float>& values) {
  return std::any_of(values.begin(), values.end(), [](float value) { return value != FloatSentinel; });
}
bool AnyChanged(const std::vector<std::uint16_t>& values) {
  return std::any_of(values.begin(), values.end(), [](std::uint16_t value) { return value != WordSentinel; });
}
bool AnyChanged(const std::vector<std::uint8_t>& values) {
  return std::any_of(values.begin(), values.end(), [](std::uint8_t value) { return value != ByteSentinel; });
}

std::vector<Rule> Rules() {
  const std::vector<std::uint16_t> fourWords{0x1234, 0x5678, 0x9ABC, 0xDEF0};
  return {
      {"FFTK32",
       {"table cosine", "table sine", "table permutation"},
       {"FFTK32: cosine: the library writes 9 elements, the span holds 8",
        "FFTK32: sine: the library writes 9 elements, the span holds 8",
        "FFTK32: permutation: the library writes 9 elements, the span holds 8"},
       [](const lineio::Board& board, Arrays& a) {
         board.PrepareTables(N, a.TableCosine, a.TableSine, a.TablePermutation);
       },
       [](const Arrays& a) { return AnyChanged(a.TableCosine) && AnyChanged(a.TablePermutation); }},
      {"FFT32",
       {"cosine", "sine", "real", "imaginary", "permutation", "samples"},
       {"FFT32: cosine: the library reads 5 elements, the span holds 4",
        "FFT32: sine: the library reads 5 elements, the span holds 4",
        "FFT32: real: the library writes 9 elements, the span holds 8",
        "FFT32: imaginary: the library writes 9 elements, the span holds 8",
        "FFT32: permutation: the library reads 9 elements, the span holds 8",
        "FFT32: samples: the library reads 9 elements, the span holds 8"},
       [](const lineio::Board& board, Arrays& a) {
         board.Transform(N, a.Cosine, a.Sine, a.Real, a.Imaginary, a.Permutation, lineio::Window::Hann,
                         a.Samples, lineio::Direction::Forward);
       },
       [](const Arrays& a) { return AnyChanged(a.Real); }},
      {"FFTP32",
       {"real", "imaginary"},
       {"FFTP32: real: the library writes 5 elements, the span holds 4",
        "FFTP32: imaginary: the library reads 5 elements, the span holds 4"},
       [](const lineio::Board& board, Arrays& a) {
         const std::vector<float> imaginary(a.Imaginary.size() < N + 1 ? 4 : 5, 0.0F);
         a.Real.resize(a.Real.size() < N + 1 ? 4 : 5);
         board.Magnitudes(N, a.Real, imaginary);
       },
       [](const Arrays& a) { return AnyChanged(a.Real); }},
      {"GetIOBlockData",
       {"block"},
       {"GetIOBlockData: block: the library writes 16 elements, the span holds 15"},
       [](const lineio::Board& board, Arrays& a) { board.ReadBlock(0x20, a.Block); },
       [](const Arrays& a) { return AnyChanged(a.Block); }},
      {"CHRVAL1",
       {"words"},
       {"CHRVAL1: words: the library writes 4 elements, the span holds 3"},
       [](const lineio::Board& board, Arrays& a) {
         const std::vector<std::uint8_t> bytes{1, 2, 3, 4};
         board.BytesToWords(bytes, a.Words);
       },
       [](const Arrays& a) { return AnyChanged(a.Words); }},
      {"CHRVAL2",
       {"words"},
       {"CHRVAL2: words: the library writes 4 elements, the span holds 3"},
       [](const lineio::Board& board, Arrays& a) {
         const std::vector<std::uint8_t> bytes{1, 2, 3, 4, 5, 6, 7, 8};
         board.PairsToWords(bytes, a.Words);
       },
       [](const Arrays& a) { return AnyChanged(a.Words); }},
      {"VALCHR1",
       {"bytes"},
       {"VALCHR1: bytes: the library writes 4 elements, the span holds 3"},
       [fourWords](const lineio::Board& board, Arrays& a) {
         a.Bytes.resize(a.Bytes.size() < 8 ? 3 : 4);
         board.WordsToBytes(fourWords, a.Bytes);
       },
       [](const Arrays& a) { return AnyChanged(a.Bytes); }},
      {"VALCHR2",
       {"bytes"},
       {"VALCHR2: bytes: the library writes 8 elements, the span holds 7"},
       [fourWords](const lineio::Board& board, Arrays& a) { board.WordsToPairs(fourWords, a.Bytes); },
       [](const Arrays& a) { return AnyChanged(a.Bytes); }},
  };
}

class CxxLengthsTest : public ::testing::Test {
 protected:
  lineio::Board board_ = lineio::Board::Simulated("kestrel");
};

TEST_F(CxxLengthsTest, ExactSpansReachTheLibrary) {
  for (const Rule& rule : Rules()) {
    Arrays arrays(board_, "");
    rule.Run(board_, arrays);
    EXPECT_TRUE(rule.LibraryWrote(arrays)) << rule.Call;
  }
}

TEST_F(CxxLengthsTest, ASpanOneShortThrowsBeforeTheCall) {
  for (const Rule& rule : Rules()) {
    ASSERT_EQ(rule.Spans.size(), rule.Messages.size()) << rule.Call;
    for (std::size_t index = 0; index < rule.Spans.size(); ++index) {
      Arrays arrays(board_, rule.Spans[index]);
      std::string message;
      try {
        rule.Run(board_, arrays);
      } catch (const lineio::ArgumentError& error) {
        message = error.what();
      }
      EXPECT_EQ(message, rule.Messages[index]) << rule.Call << " " << rule.Spans[index];
      EXPECT_FALSE(rule.LibraryWrote(arrays)) << rule.Call << " " << rule.Spans[index];
    }
  }
}

TEST_F(CxxLengthsTest, OtherArgumentRules) {
  struct Refusal {
    std::function<void()> Call;
    const char* Message;
  };
  std::vector<float> floats(N + 1);
  std::vector<std::uint16_t> words(N + 1);
  const std::vector<std::uint8_t> manyBytes(65536);
  std::vector<std::uint16_t> manyWords(65536);
  const std::vector<std::uint8_t> oddBytes(7);
  const std::vector<float> sixSamples(6);
  const std::vector<Refusal> refusals{
      {[&] { board_.PrepareTables(6, floats, floats, words); },
       "FFTK32: n: a power of two from 2 to 16384, not 6"},
      {[&] { board_.PrepareTables(32768, floats, floats, words); },
       "FFTK32: n: a power of two from 2 to 16384, not 32768"},
      {[&] {
         board_.Transform(12, floats, floats, floats, floats, words, lineio::Window::None, {},
                          lineio::Direction::Forward);
       },
       "FFT32: n: a power of two from 2 to 32768, not 12"},
      {[&] { board_.BytesToWords(manyBytes, manyWords); },
       "CHRVAL1: count: at most 65535 elements, not 65536"},
      {[&] { board_.PairsToWords(oddBytes, words); }, "CHRVAL2: bytes: pairs of bytes, not 7"},
      {[&] { board_.LoadExchange(0, "A5123489A"); },
       "ExchgLine: pattern: the library reads 10 characters, the text holds 9"},
      {[&] { static_cast<void>(board_.Spectrum(sixSamples)); },
       "Spectrum: samples: a power of two from 2 to 16384 of them, not 6"},
      {[&] { static_cast<void>(board_.Spectrum(floats, lineio::Window::None)); },
       "Spectrum: window: Rectangular, Hamming or Hann"},
  };
  for (const Refusal& refusal : refusals) {
    std::string message;
    try {
      refusal.Call();
    } catch (const lineio::ArgumentError& error) {
      message = error.what();
    }
    EXPECT_EQ(message, refusal.Message);
  }
}

TEST_F(CxxLengthsTest, WindowNoneReadsNoSamples) {
  const lineio::FftTables tables = board_.Tables(N);
  std::vector<float> real(N + 1, 0.0F);
  std::vector<float> imaginary(N + 1, 0.0F);
  real[1] = 1.0F;
  board_.Transform(N, tables.Cosine, tables.Sine, real, imaginary, tables.Permutation, lineio::Window::None,
                   {}, lineio::Direction::Forward);
  EXPECT_EQ(real[0], 5000 / N);  // the header
  EXPECT_EQ(real[2], 1.0F);      // an impulse at element 1 gives 1 at every frequency
}

}  // namespace
