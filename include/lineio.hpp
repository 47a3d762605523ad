/*
 * lineio for C++ (C++17 and later, header only): one board's library loaded
 * at run time, the board opened and closed with an object's lifetime, the
 * exports as methods named for what they do, with typed values and spans
 * whose lengths are checked before the library is called.
 *
 *   lineio::Board kestrel = lineio::Board::Simulated("kestrel");  // PortInit(0)
 *   lineio::Board merlin("merlin");            // libmerlin.so.1 / Merlin.dll
 *   kestrel.WritePort(16, 0x1a5);
 *   // PortEnd when each goes out of scope, also through an exception
 *
 * Each library is loaded on its own (dlopen with RTLD_LOCAL, LoadLibrary), so
 * the Kestrel and the Merlin library, which export the same names, work side
 * by side in one process. Raw() reaches all 37 exports, and the extension
 * calls, as they are.
 *
 * Errors: lineio::Error (a std::runtime_error) when a library cannot be
 * loaded; lineio::OpenError when the driver cannot be opened and
 * lineio::NoBoard when it opens but reaches no board, each with the library's
 * failure code and text (LineioLastFailure, LineioFailureText); lineio::ArgumentError
 * (a std::invalid_argument) when a span is too short for what the library
 * would read or write, or a count does not fit, before the library is
 * called. docs/cxx.md is the reference.
 */
#ifndef LINEIO_HPP
#define LINEIO_HPP

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

#include "lineio.h"

namespace lineio {

// ---- The 37 exports and the extension calls as function pointers --------

// Each pointer has the type of the export that lineio.h declares, calling
// convention included.
struct Api {
  decltype(&::PortInit) PortInit = nullptr;
  decltype(&::PortEnd) PortEnd = nullptr;
  decltype(&::CheckPCtype) CheckPCtype = nullptr;
  decltype(&::Test) Test = nullptr;
  decltype(&::Test2) Test2 = nullptr;
  decltype(&::InpB) InpB = nullptr;
  decltype(&::InpW) InpW = nullptr;
  decltype(&::InpD) InpD = nullptr;
  decltype(&::OutB) OutB = nullptr;
  decltype(&::OutW) OutW = nullptr;
  decltype(&::OutD) OutD = nullptr;
  decltype(&::PortOut) PortOut = nullptr;
  decltype(&::PortQinp) PortQinp = nullptr;
  decltype(&::PortIinp) PortIinp = nullptr;
  decltype(&::AllOutClear) AllOutClear = nullptr;
  decltype(&::BitOn) BitOn = nullptr;
  decltype(&::BitOff) BitOff = nullptr;
  decltype(&::TestQbit) TestQbit = nullptr;
  decltype(&::TestIbit) TestIbit = nullptr;
  decltype(&::GetIOBlockData) GetIOBlockData = nullptr;
  decltype(&::ContFreq) ContFreq = nullptr;
  decltype(&::ContLevel) ContLevel = nullptr;
  decltype(&::ContDirect) ContDirect = nullptr;
  decltype(&::ContSigSW) ContSigSW = nullptr;
  decltype(&::ContBellDA) ContBellDA = nullptr;
  decltype(&::ContRelay) ContRelay = nullptr;
  decltype(&::LineCurrent) LineCurrent = nullptr;
  decltype(&::HdTimer) HdTimer = nullptr;
  decltype(&::Click) Click = nullptr;
  decltype(&::ExchgLine) ExchgLine = nullptr;
  decltype(&::FFTK32) FFTK32 = nullptr;
  decltype(&::FFT32) FFT32 = nullptr;
  decltype(&::FFTP32) FFTP32 = nullptr;
  decltype(&::CHRVAL1) CHRVAL1 = nullptr;
  decltype(&::CHRVAL2) CHRVAL2 = nullptr;
  decltype(&::VALCHR1) VALCHR1 = nullptr;
  decltype(&::VALCHR2) VALCHR2 = nullptr;
  // The extension calls: status, version and trace.
  decltype(&::LineioBoardAccess) LineioBoardAccess = nullptr;
  decltype(&::LineioLastFailure) LineioLastFailure = nullptr;
  decltype(&::LineioFailureText) LineioFailureText = nullptr;
  decltype(&::LineioVersion) LineioVersion = nullptr;
  decltype(&::LineioTrace) LineioTrace = nullptr;
};

// ---- Errors --------------------------------------------------------------

// A library that cannot be loaded, an export it lacks, a board that cannot
// be opened; what() says why.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& reason) : std::runtime_error(reason) {}
};

// The board could not be opened: PortInit's result, the library's failure
// code (LINEIO_FAILURE_*) and its text (the lines it printed), and the reason.
class OpenError : public Error {
 public:
  OpenError(std::int32_t result, std::int32_t failure, std::string failureText, const std::string& reason)
      : Error(reason), result_(result), failure_(failure), failureText_(std::move(failureText)) {}
  [[nodiscard]] std::int32_t Result() const noexcept { return result_; }
  [[nodiscard]] std::int32_t Failure() const noexcept { return failure_; }
  [[nodiscard]] const std::string& FailureText() const noexcept { return failureText_; }

 private:
  std::int32_t result_;
  std::int32_t failure_;
  std::string failureText_;
};

// PortInit opened the driver but reached no board (none found, held by
// another process, refused by the system, ...); the board was closed again.
class NoBoard : public OpenError {
 public:
  using OpenError::OpenError;
};

// How an open board is reached (LineioBoardAccess).
enum class Access : std::int32_t { None = LINEIO_ACCESS_NONE, Memory = LINEIO_ACCESS_MEMORY, Io = LINEIO_ACCESS_IO };

// Whether a Board may stay open without a board (as the library itself lets
// a host run: register reads then give 0).
enum class WithoutBoard { Throw, Open };

// A span shorter than what the library would read or write, a count that
// does not fit the export's 16-bit argument, a transform length that is no
// power of two; thrown before the library is called.
class ArgumentError : public std::invalid_argument {
 public:
  explicit ArgumentError(const std::string& reason) : std::invalid_argument(reason) {}
};

// ---- Spans (pointer and size, as C++17 has no std::span) -----------------

template <class Element>
class Span {
 public:
  constexpr Span() noexcept = default;
  constexpr Span(Element* data, std::size_t size) noexcept : data_(data), size_(size) {}
  // Any contiguous container: std::vector, std::array, std::span, ...
  template <class Container, class = decltype(std::declval<Container&>().data()),
            class = decltype(std::declval<Container&>().size())>
  constexpr Span(Container& container) noexcept  // NOLINT(google-explicit-constructor): a view
      : data_(container.data()), size_(container.size()) {}

  [[nodiscard]] constexpr Element* Data() const noexcept { return data_; }
  [[nodiscard]] constexpr std::size_t Size() const noexcept { return size_; }

 private:
  Element* data_ = nullptr;
  std::size_t size_ = 0;
};

// FFT32's window selector and direction.
enum class Window : std::uint16_t { None = 0, Rectangular = 1, Hamming = 2, Hann = 3 };
enum class Direction : std::uint16_t { Forward = 0, Inverse = 1 };

// FFTK32's tables for transforms of length N, N + 1 elements each.
struct FftTables {
  std::uint16_t N = 0;
  std::vector<float> Cosine;
  std::vector<float> Sine;
  std::vector<std::uint16_t> Permutation;
};

// What the library gives and takes, as named constants.
constexpr std::uint16_t EscapeStatus = 0x8000;       // HdTimer: Escape, or no board, ended the wait
constexpr std::uint16_t PatternRefused = 0xFFFF;     // ExchgLine: not ten hexadecimal digits
constexpr std::uint16_t MaxTableLength = 16384;      // FFTK32
constexpr std::uint32_t MaxTransformLength = 32768;  // FFT32
constexpr std::size_t Test2Bytes = 10;
constexpr std::size_t BlockWords = 16;
constexpr std::size_t PatternCharacters = 10;

namespace detail {

inline bool IsTransformLength(std::uint32_t n, std::uint32_t limit) noexcept {
  return n >= 2 && n <= limit && (n & (n - 1)) == 0;
}

// Throws when a span holds fewer than `needed` elements.
template <class Element>
void Require(Span<Element> span, std::size_t needed, const char* exportName, const char* argument,
             const char* verb) {
  if (span.Size() < needed) {
    throw ArgumentError(std::string(exportName) + ": " + argument + ": the library " + verb + " " +
                        std::to_string(needed) + " elements, the span holds " + std::to_string(span.Size()));
  }
}

// A count of elements as the export's 16-bit argument.
inline std::uint16_t Count(std::size_t count, const char* exportName) {
  if (count > 0xFFFF) {
    throw ArgumentError(std::string(exportName) + ": count: at most 65535 elements, not " +
                        std::to_string(count));
  }
  return static_cast<std::uint16_t>(count);
}

inline bool IsBoardName(std::string_view name, std::string_view board) {
  if (name.size() != board.size()) {
    return false;
  }
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if (lower != board[i]) {
      return false;
    }
  }
  return true;
}

// The file the system's loader is asked for: a board's library by its
// SONAME (module name on Windows), or the path as given.
inline std::string LibraryFile(std::string_view library) {
#if defined(_WIN32)
  if (IsBoardName(library, "kestrel")) {
    return "Kestrel.dll";
  }
  if (IsBoardName(library, "merlin")) {
    return "Merlin.dll";
  }
#else
  if (IsBoardName(library, "kestrel")) {
    return "libkestrel.so.1";
  }
  if (IsBoardName(library, "merlin")) {
    return "libmerlin.so.1";
  }
#endif
  const bool looksLikePath =
      library.find('/') != std::string_view::npos || library.find('\\') != std::string_view::npos ||
      library.find(".so") != std::string_view::npos || library.find(".dll") != std::string_view::npos;
  if (!looksLikePath) {
    throw Error("lineio: not a board name (kestrel, merlin) nor a library path: " + std::string(library));
  }
  return std::string(library);
}

inline bool FileExists(const std::string& path) {
#if defined(_WIN32)
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
  return access(path.c_str(), F_OK) == 0;
#endif
}

// The folders the simulation flavour is looked for in: $LINEIO_SIM_DIR, then
// <libdir>/lineio/sim of /usr/local and /usr (not on Windows, where the zip
// keeps it in sim\ and $LINEIO_SIM_DIR names that folder).
inline std::vector<std::string> SimulationFolders() {
  std::vector<std::string> folders;
  if (const char* folder = std::getenv("LINEIO_SIM_DIR"); folder != nullptr && *folder != '\0') {
    folders.emplace_back(folder);
  }
#if !defined(_WIN32)
#if defined(__x86_64__)
  const std::string multiarch = "lib/x86_64-linux-gnu";
#elif defined(__i386__)
  const std::string multiarch = "lib/i386-linux-gnu";
#elif defined(__aarch64__)
  const std::string multiarch = "lib/aarch64-linux-gnu";
#else
  const std::string multiarch = "lib";
#endif
  for (const char* prefix : {"/usr/local/", "/usr/"}) {
    for (const std::string& libdir : {multiarch, std::string("lib64"), std::string("lib")}) {
      folders.push_back(prefix + libdir + "/lineio/sim");
    }
  }
#endif
  return folders;
}

// The simulation flavour of a board's library: the file of its name in the
// first folder that has one.
inline std::string SimulationFile(std::string_view board) {
  const std::string file = LibraryFile(board);
  if (file.find('/') != std::string::npos || file.find('\\') != std::string::npos) {
    throw Error("lineio: the simulation flavour is chosen by board name (kestrel, merlin), not " + file);
  }
  std::string searched;
  for (const std::string& folder : SimulationFolders()) {
    std::string candidate = folder;
    candidate += "/";
    candidate += file;
    if (FileExists(candidate)) {
      return candidate;
    }
    searched += searched.empty() ? "" : ", ";
    searched += folder;
  }
  throw Error("lineio: no simulation flavour " + file + " in " +
              (searched.empty() ? "(no folder)" : searched));
}

// The text of the library's last failed open (LineioFailureText).
inline std::string FailureText(const Api& api) {
  const std::int32_t length = api.LineioFailureText(nullptr, 0);
  if (length <= 0) {
    return {};
  }
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  api.LineioFailureText(text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

// The text without its line ends, for a one-line reason.
inline std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n') {
      c = ' ';
    }
  }
  while (!text.empty() && text.back() == ' ') {
    text.pop_back();
  }
  return text.empty() ? std::string("the library said nothing") : text;
}

// Why PortInit opened no board, as the library reports it.
inline std::string OpenFailure(const std::string& file, std::int32_t registerSet, std::int32_t result,
                               const std::string& failureText) {
  const std::string call = "lineio: PortInit(" + std::to_string(registerSet) + ") ";
  if (result == 0) {
    return call + "gave 0 with " + file + ": the driver could not be opened (" + OneLine(failureText) + ")";
  }
  return call + "opened no board with " + file + " (" + OneLine(failureText) + ")";
}

}  // namespace detail

// ---- One board's library, loaded ----------------------------------------

// A loaded library with the exports that need no board: the transform and
// the array conversions. Move-only; unloads the library when destroyed.
class Library {
 public:
  // A board name ("kestrel", "merlin", any case: found by the system's
  // loader, so LD_LIBRARY_PATH applies) or a path.
  explicit Library(std::string_view library) : file_(detail::LibraryFile(library)) { Load(); }

  // The simulation flavour of a board's library ($LINEIO_SIM_DIR, then
  // <libdir>/lineio/sim of /usr/local and /usr).
  static Library Simulated(std::string_view board) { return Library(detail::SimulationFile(board)); }

  Library(Library&& other) noexcept
      : file_(std::move(other.file_)), handle_(std::exchange(other.handle_, nullptr)), api_(other.api_) {}
  Library& operator=(Library&& other) noexcept {
    if (this != &other) {
      Unload();
      file_ = std::move(other.file_);
      handle_ = std::exchange(other.handle_, nullptr);
      api_ = other.api_;
    }
    return *this;
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  ~Library() { Unload(); }

  // All 37 exports and the extension calls, unchecked.
  [[nodiscard]] const Api& Raw() const noexcept { return api_; }
  // The file asked for: a path, or the SONAME the loader looked up.
  [[nodiscard]] const std::string& File() const noexcept { return file_; }

  // ---- Status, version and trace (docs/extensions.md) ----

  // LineioVersion: "1.0.0".
  [[nodiscard]] std::string Version() const {
    const char* version = api_.LineioVersion();
    return version != nullptr ? version : "";
  }
  // LineioBoardAccess: whether a board is open and how it is reached.
  [[nodiscard]] Access BoardAccess() const { return static_cast<Access>(api_.LineioBoardAccess()); }
  // LineioLastFailure and LineioFailureText: why the last PortInit opened no
  // board (LINEIO_FAILURE_NONE and "" when it did).
  [[nodiscard]] std::int32_t LastFailure() const { return api_.LineioLastFailure(); }
  [[nodiscard]] std::string LastFailureText() const { return detail::FailureText(api_); }
  // LineioTrace: every call, register access, serial device load and
  // interrupt into the file at path ("stderr" for standard error); Error when
  // it cannot be opened. StopTrace ends it.
  void Trace(const std::string& path) const {
    if (api_.LineioTrace(path.c_str()) == 0) {
      throw Error("lineio: LineioTrace: cannot trace to " + path +
                  " (the library said why on standard error)");
    }
  }
  void StopTrace() const { api_.LineioTrace(nullptr); }

  // ---- The transform (docs/transform.md) ----

  // FFTK32: the tables of length n (a power of two from 2 to 16384) into
  // n + 1 elements each.
  void PrepareTables(std::uint16_t n, Span<float> cosine, Span<float> sine,
                     Span<std::uint16_t> permutation) const {
    if (!detail::IsTransformLength(n, MaxTableLength)) {
      throw ArgumentError("FFTK32: n: a power of two from 2 to 16384, not " + std::to_string(n));
    }
    const std::size_t needed = std::size_t{n} + 1;
    detail::Require(cosine, needed, "FFTK32", "cosine", "writes");
    detail::Require(sine, needed, "FFTK32", "sine", "writes");
    detail::Require(permutation, needed, "FFTK32", "permutation", "writes");
    api_.FFTK32(n, cosine.Data(), sine.Data(), permutation.Data());
  }

  // The same into new vectors.
  [[nodiscard]] FftTables Tables(std::uint16_t n) const {
    FftTables tables;
    tables.N = n;
    tables.Cosine.resize(std::size_t{n} + 1);
    tables.Sine.resize(std::size_t{n} + 1);
    tables.Permutation.resize(std::size_t{n} + 1);
    PrepareTables(n, tables.Cosine, tables.Sine, tables.Permutation);
    return tables;
  }

  // FFT32: transforms in place, in the library's layout (element 0 the
  // header, element k + 1 frequency k). n is a power of two from 2 to 32768;
  // cosine and sine hold n/2 + 1 elements, real, imaginary and permutation
  // n + 1, samples n + 1 unless the window is None (then it may be empty).
  void Transform(std::uint16_t n, Span<const float> cosine, Span<const float> sine, Span<float> real,
                 Span<float> imaginary, Span<const std::uint16_t> permutation, Window window,
                 Span<const float> samples, Direction direction) const {
    if (!detail::IsTransformLength(n, MaxTransformLength)) {
      throw ArgumentError("FFT32: n: a power of two from 2 to 32768, not " + std::to_string(n));
    }
    const std::size_t whole = std::size_t{n} + 1;
    detail::Require(cosine, std::size_t{n} / 2 + 1, "FFT32", "cosine", "reads");
    detail::Require(sine, std::size_t{n} / 2 + 1, "FFT32", "sine", "reads");
    detail::Require(real, whole, "FFT32", "real", "writes");
    detail::Require(imaginary, whole, "FFT32", "imaginary", "writes");
    detail::Require(permutation, whole, "FFT32", "permutation", "reads");
    if (window != Window::None) {
      detail::Require(samples, whole, "FFT32", "samples", "reads");
    }
    api_.FFT32(n, cosine.Data(), sine.Data(), real.Data(), imaginary.Data(), permutation.Data(),
               static_cast<std::uint16_t>(window), window == Window::None ? nullptr : samples.Data(),
               static_cast<std::uint16_t>(direction));
  }

  // FFTP32: elements 0..n div 2 of real become magnitudes (at least 0.0003).
  void Magnitudes(std::uint16_t n, Span<float> real, Span<const float> imaginary) const {
    const std::size_t converted = std::size_t{n} / 2 + 1;
    detail::Require(real, converted, "FFTP32", "real", "writes");
    detail::Require(imaginary, converted, "FFTP32", "imaginary", "reads");
    api_.FFTP32(n, real.Data(), imaginary.Data());
  }

  // The magnitudes of frequencies 0 to n/2 of n real samples (n a power of
  // two from 2 to 16384), in natural order and without the header: n/2 + 1
  // values, abs(rfft(samples * window)) with the library's 1/n, computed
  // from FFT32's result in double precision.
  [[nodiscard]] std::vector<float> Spectrum(Span<const float> samples,
                                            Window window = Window::Rectangular) const {
    if (window == Window::None) {
      throw ArgumentError("Spectrum: window: Rectangular, Hamming or Hann");
    }
    if (!detail::IsTransformLength(static_cast<std::uint32_t>(samples.Size()), MaxTableLength)) {
      throw ArgumentError("Spectrum: samples: a power of two from 2 to 16384 of them, not " +
                          std::to_string(samples.Size()));
    }
    const auto n = static_cast<std::uint16_t>(samples.Size());
    const FftTables tables = Tables(n);
    std::vector<float> padded(std::size_t{n} + 1);
    for (std::size_t i = 0; i < samples.Size(); ++i) {
      padded[i + 1] = samples.Data()[i];
    }
    std::vector<float> real(std::size_t{n} + 1);
    std::vector<float> imaginary(std::size_t{n} + 1);
    Transform(n, tables.Cosine, tables.Sine, real, imaginary, tables.Permutation, window, padded,
              Direction::Forward);
    std::vector<float> magnitudes(std::size_t{n} / 2 + 1);
    for (std::size_t k = 0; k < magnitudes.size(); ++k) {
      magnitudes[k] = static_cast<float>(std::hypot(double{real[k + 1]}, double{imaginary[k + 1]}));
    }
    return magnitudes;
  }

  // ---- The array conversions (count = the source's elements) ----

  // CHRVAL1: each byte widened to a word.
  void BytesToWords(Span<const std::uint8_t> bytes, Span<std::uint16_t> words) const {
    const std::uint16_t count = detail::Count(bytes.Size(), "CHRVAL1");
    detail::Require(words, count, "CHRVAL1", "words", "writes");
    api_.CHRVAL1(bytes.Data(), words.Data(), count);
  }
  // CHRVAL2: little-endian byte pairs into words (an even number of bytes).
  void PairsToWords(Span<const std::uint8_t> bytes, Span<std::uint16_t> words) const {
    if (bytes.Size() % 2 != 0) {
      throw ArgumentError("CHRVAL2: bytes: pairs of bytes, not " + std::to_string(bytes.Size()));
    }
    const std::uint16_t count = detail::Count(bytes.Size() / 2, "CHRVAL2");
    detail::Require(words, count, "CHRVAL2", "words", "writes");
    api_.CHRVAL2(bytes.Data(), words.Data(), count);
  }
  // VALCHR1: the low byte of each word.
  void WordsToBytes(Span<const std::uint16_t> words, Span<std::uint8_t> bytes) const {
    const std::uint16_t count = detail::Count(words.Size(), "VALCHR1");
    detail::Require(bytes, count, "VALCHR1", "bytes", "writes");
    api_.VALCHR1(words.Data(), bytes.Data(), count);
  }
  // VALCHR2: each word as a little-endian pair of bytes.
  void WordsToPairs(Span<const std::uint16_t> words, Span<std::uint8_t> bytes) const {
    const std::uint16_t count = detail::Count(words.Size(), "VALCHR2");
    detail::Require(bytes, std::size_t{count} * 2, "VALCHR2", "bytes", "writes");
    api_.VALCHR2(words.Data(), bytes.Data(), count);
  }

 private:
  void Load() {
#if defined(_WIN32)
    handle_ = static_cast<void*>(LoadLibraryA(file_.c_str()));
    if (handle_ == nullptr) {
      throw Error("lineio: cannot load " + file_ + " (error " + std::to_string(GetLastError()) + ")");
    }
#else
    handle_ = dlopen(file_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
      const char* reason = dlerror();
      throw Error("lineio: cannot load " + file_ + ": " + (reason != nullptr ? reason : "unknown reason"));
    }
#endif
    try {
      FindExports();
    } catch (...) {
      Unload();
      throw;
    }
  }

  void FindExports() {
    Find("PortInit", api_.PortInit);
    Find("PortEnd", api_.PortEnd);
    Find("CheckPCtype", api_.CheckPCtype);
    Find("Test", api_.Test);
    Find("Test2", api_.Test2);
    Find("InpB", api_.InpB);
    Find("InpW", api_.InpW);
    Find("InpD", api_.InpD);
    Find("OutB", api_.OutB);
    Find("OutW", api_.OutW);
    Find("OutD", api_.OutD);
    Find("PortOut", api_.PortOut);
    Find("PortQinp", api_.PortQinp);
    Find("PortIinp", api_.PortIinp);
    Find("AllOutClear", api_.AllOutClear);
    Find("BitOn", api_.BitOn);
    Find("BitOff", api_.BitOff);
    Find("TestQbit", api_.TestQbit);
    Find("TestIbit", api_.TestIbit);
    Find("GetIOBlockData", api_.GetIOBlockData);
    Find("ContFreq", api_.ContFreq);
    Find("ContLevel", api_.ContLevel);
    Find("ContDirect", api_.ContDirect);
    Find("ContSigSW", api_.ContSigSW);
    Find("ContBellDA", api_.ContBellDA);
    Find("ContRelay", api_.ContRelay);
    Find("LineCurrent", api_.LineCurrent);
    Find("HdTimer", api_.HdTimer);
    Find("Click", api_.Click);
    Find("ExchgLine", api_.ExchgLine);
    Find("FFTK32", api_.FFTK32);
    Find("FFT32", api_.FFT32);
    Find("FFTP32", api_.FFTP32);
    Find("CHRVAL1", api_.CHRVAL1);
    Find("CHRVAL2", api_.CHRVAL2);
    Find("VALCHR1", api_.VALCHR1);
    Find("VALCHR2", api_.VALCHR2);
    Find("LineioBoardAccess", api_.LineioBoardAccess);
    Find("LineioLastFailure", api_.LineioLastFailure);
    Find("LineioFailureText", api_.LineioFailureText);
    Find("LineioVersion", api_.LineioVersion);
    Find("LineioTrace", api_.LineioTrace);
  }

  template <class Function>
  void Find(const char* name, Function& function) {
#if defined(_WIN32)
    auto* address = reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
    void* address = dlsym(handle_, name);
#endif
    if (address == nullptr) {
      throw Error("lineio: " + file_ + " has no export " + name);
    }
    function = reinterpret_cast<Function>(address);  // NOLINT: how a loaded export is reached
  }

  void Unload() noexcept {
    if (handle_ == nullptr) {
      return;
    }
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(handle_));
#else
    dlclose(handle_);
#endif
    handle_ = nullptr;
  }

  std::string file_;
  void* handle_ = nullptr;
  Api api_;
};

// ---- One board, open for the object's lifetime --------------------------

// A board's library with its board opened (PortInit) when constructed and
// closed (PortEnd) when destroyed; move-only.
class Board : public Library {
 public:
  // A board name, a path; registerSet is PortInit's argument. Throws
  // OpenError when PortInit gives 0, NoBoard when it opened no board (unless
  // withoutBoard is WithoutBoard::Open); the library is unloaded again.
  explicit Board(std::string_view library, std::int32_t registerSet = 0,
                 WithoutBoard withoutBoard = WithoutBoard::Throw)
      : Library(library) {
    Open(registerSet, withoutBoard);
  }
  Board(Library library, std::int32_t registerSet, WithoutBoard withoutBoard = WithoutBoard::Throw)
      : Library(std::move(library)) {
    Open(registerSet, withoutBoard);
  }

  // The board on the simulation flavour of its library.
  static Board Simulated(std::string_view board, std::int32_t registerSet = 0) {
    return {Library::Simulated(board), registerSet};
  }

  // Library's move takes only Library's members: open_ is still other's.
  Board(Board&& other) noexcept
      : Library(std::move(other)),
        open_(std::exchange(other.open_, false)) {}  // NOLINT(bugprone-use-after-move)
  Board& operator=(Board&& other) noexcept {
    if (this != &other) {
      Close();
      Library::operator=(std::move(other));
      open_ = std::exchange(other.open_, false);  // NOLINT(bugprone-use-after-move): as in the constructor
    }
    return *this;
  }
  Board(const Board&) = delete;
  Board& operator=(const Board&) = delete;
  ~Board() { Close(); }

  // PortEnd, once: true when it reported success (or the board was closed).
  bool Close() noexcept {
    if (!open_) {
      return true;
    }
    open_ = false;
    return Raw().PortEnd() != 0;
  }
  [[nodiscard]] bool IsOpen() const noexcept { return open_; }

  // ---- Probes ----

  [[nodiscard]] bool IsPc98() const { return Raw().CheckPCtype() != 0; }    // CheckPCtype
  [[nodiscard]] bool IsEnabled() const { return Raw().Test(0) == 0xFFFF; }  // Test: after PortInit
  [[nodiscard]] std::array<std::uint8_t, Test2Bytes> TestPattern() const {  // Test2: '1'..'9', ':'
    std::array<std::uint8_t, Test2Bytes> pattern{};
    Raw().Test2(pattern.data());
    return pattern;
  }

  // ---- Registers of the board's register set ----

  [[nodiscard]] std::uint8_t ReadByte(std::uint16_t offset) const {
    return static_cast<std::uint8_t>(Raw().InpB(offset));
  }
  [[nodiscard]] std::uint16_t ReadWord(std::uint16_t offset) const { return Raw().InpW(offset); }
  [[nodiscard]] std::uint32_t ReadDword(std::uint16_t offset) const { return Raw().InpD(offset); }
  void WriteByte(std::uint16_t offset, std::uint8_t value) const { Raw().OutB(offset, value); }
  void WriteWord(std::uint16_t offset, std::uint16_t value) const { Raw().OutW(offset, value); }
  void WriteDword(std::uint16_t offset, std::uint32_t value) const { Raw().OutD(offset, value); }

  // ---- Logical ports ----

  // PortOut: the port's slot, 1 for a rejected port (and for port 1).
  // NOLINTNEXTLINE(modernize-use-nodiscard): the slot is often not needed
  std::int32_t WritePort(std::uint16_t port, std::uint16_t value) const { return Raw().PortOut(port, value); }
  [[nodiscard]] std::uint16_t ReadOutput(std::uint16_t port) const {
    return Raw().PortQinp(port);
  }  // PortQinp
  [[nodiscard]] std::uint16_t ReadInput(std::uint16_t port) const {
    return Raw().PortIinp(port);
  }  // PortIinp
  void ClearOutputs() const { Raw().AllOutClear(); }
  // NOLINTNEXTLINE(modernize-use-nodiscard): as WritePort
  std::int32_t SetBit(std::uint16_t port, std::uint16_t bit) const { return Raw().BitOn(port, bit); }
  // NOLINTNEXTLINE(modernize-use-nodiscard): as WritePort
  std::int32_t ClearBit(std::uint16_t port, std::uint16_t bit) const { return Raw().BitOff(port, bit); }
  [[nodiscard]] bool OutputBit(std::uint16_t port, std::uint16_t bit) const {
    return Raw().TestQbit(port, bit) != 0;
  }
  [[nodiscard]] bool InputBit(std::uint16_t port, std::uint16_t bit) const {
    return Raw().TestIbit(port, bit) != 0;
  }
  // GetIOBlockData into 16 words (6 and 7 stay as they were).
  void ReadBlock(std::uint16_t port, Span<std::uint16_t> block) const {
    detail::Require(block, BlockWords, "GetIOBlockData", "block", "writes");
    Raw().GetIOBlockData(port, block.Data());
  }
  [[nodiscard]] std::array<std::uint16_t, BlockWords> ReadBlock(std::uint16_t port) const {
    std::array<std::uint16_t, BlockWords> block{};
    ReadBlock(port, block);
    return block;
  }

  // ---- Serially loaded devices ----

  void LoadFrequency(std::uint16_t source, std::uint16_t word) const {
    Raw().ContFreq(source, word);
  }                                                                             // ContFreq
  void LoadLevel(std::uint16_t level) const { Raw().ContLevel(level); }         // ContLevel
  void LoadDirect(std::uint16_t word) const { Raw().ContDirect(word); }         // ContDirect
  void LoadSignalSwitch(std::uint16_t value) const { Raw().ContSigSW(value); }  // ContSigSW
  void LoadBell(std::uint16_t value) const { Raw().ContBellDA(value); }         // ContBellDA
  void LoadRelays(std::uint16_t word) const { Raw().ContRelay(word); }          // ContRelay
  void SetLineCurrent(std::uint16_t value) const { Raw().LineCurrent(value); }  // LineCurrent

  // ExchgLine: the ten hexadecimal characters into exchange bank 0 or 1;
  // false when the library refused them (not ten hexadecimal digits).
  // NOLINTNEXTLINE(modernize-use-nodiscard): a host may check the pattern itself
  bool LoadExchange(std::uint16_t bank, std::string_view pattern) const {
    if (pattern.size() < PatternCharacters) {
      throw ArgumentError("ExchgLine: pattern: the library reads 10 characters, the text holds " +
                          std::to_string(pattern.size()));
    }
    const std::string terminated(pattern.substr(0, PatternCharacters));
    return Raw().ExchgLine(bank, terminated.c_str()) != PatternRefused;
  }

  // ---- The board's ticks ----

  // HdTimer: true after the ticks, false when Escape (or no board) ended it.
  // NOLINTNEXTLINE(modernize-use-nodiscard): a host may not watch for Escape
  bool WaitTicks(std::uint32_t ticks) const { return Raw().HdTimer(ticks) != EscapeStatus; }
  void Click(std::uint32_t ticks) const { Raw().Click(ticks); }

 private:
  void Open(std::int32_t registerSet, WithoutBoard withoutBoard) {
    const std::int32_t result = Raw().PortInit(registerSet);
    if (result == 0) {
      const std::string text = LastFailureText();
      throw OpenError(result, LastFailure(), text, detail::OpenFailure(File(), registerSet, result, text));
    }
    open_ = true;
    if (withoutBoard == WithoutBoard::Throw && BoardAccess() == Access::None) {
      const std::string text = LastFailureText();
      const std::int32_t failure = LastFailure();
      Close();
      throw NoBoard(result, failure, text, detail::OpenFailure(File(), registerSet, result, text));
    }
  }

  bool open_ = false;
};

}  // namespace lineio

#endif  // LINEIO_HPP
