// An export call as the trace sees it: "> Name arguments" before the call
// runs (so that its accesses follow), "= result" after it. With no trace
// running it is the call itself behind one test; in a build with
// LINEIO_NO_TRACE not even that.
//
// Arguments: integers in decimal; the ten bytes of an exchange pattern as a
// word (each byte that is not a printing character as \xNN, stopping at a
// zero byte); other pointers in hexadecimal (0 for a null one). Results as
// the bus analyser prints them: an unsigned number of the result's width in
// hexadecimal without leading zeros, "-" for none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "tracing/line_format.h"
#include "tracing/tracer.h"

namespace lineio {

inline constexpr std::size_t CallLineBytes = 160;
// The bytes an exchange pattern has.
inline constexpr std::size_t PatternBytes = 10;

// An exchange pattern: a word the script of the bus analyser can take.
struct PatternArgument {
  const char* Bytes;
};

// Text that the call's result is written as, for the calls that fill a buffer.
using ResultWriter = int (*)(char* out, std::size_t size, const void* context);

namespace detail {

inline int AppendArgument(char* out, std::size_t size, std::intmax_t value) {
  return std::snprintf(out, size, " %jd", value);
}

inline int AppendPointer(char* out, std::size_t size, const void* pointer) {
  if (pointer == nullptr) return std::snprintf(out, size, " 0");
  return std::snprintf(out, size, " %#jx",
                       static_cast<std::uintmax_t>(reinterpret_cast<std::uintptr_t>(pointer)));
}

int AppendPattern(char* out, std::size_t size, const char* bytes);

template <typename T>
int Append(char* out, std::size_t size, T value) {
  if constexpr (std::is_same_v<T, PatternArgument>) {
    return AppendPattern(out, size, value.Bytes);
  } else if constexpr (std::is_pointer_v<T>) {
    return AppendPointer(out, size, value);
  } else {
    return AppendArgument(out, size, static_cast<std::intmax_t>(value));
  }
}

template <typename... A>
void CallLine(char (&line)[CallLineBytes], const char* name, A... args) {
  std::size_t used = 0;
  const auto add = [&](int length) {
    used += length > 0 ? static_cast<std::size_t>(length) : 0;
    if (used > sizeof line - 1) used = sizeof line - 1;
  };
  add(std::snprintf(line, sizeof line, "> %s", name));
  (add(Append(line + used, sizeof line - used, args)), ...);
}

template <typename R>
void ResultLine(R result) {
  char text[LineBytes];
  if constexpr (std::is_pointer_v<R>) {
    std::snprintf(text, sizeof text, "%s", result != nullptr ? result : "0");
  } else {
    using Unsigned = std::make_unsigned_t<R>;
    FormatResult(text, sizeof text, static_cast<Unsigned>(result));
  }
  TraceResultLine(text);
}

// Out of line and cold, so that the call's own code keeps no frame, buffer or
// stack check for it.
template <typename Body, typename... A>
[[gnu::noinline]] decltype(auto) TracedSlow(const char* name, Body body, A... args) {
  char line[CallLineBytes];
  CallLine(line, name, args...);
  TraceCallLine(line);
  using R = decltype(body());
  if constexpr (std::is_void_v<R>) {
    body();
    TraceResultLine("-");
  } else {
    R result = body();
    ResultLine(result);
    return result;
  }
}

// The slow path of TracedCall: it takes the export's arguments as they came,
// so that the export keeps them where they are for either path.
template <auto Function, typename... A>
[[gnu::noinline]] decltype(auto) TracedSlowCall(const char* name, A... args) {
  return TracedSlow(
      name, [=] { return Function(args...); }, args...);
}

}  // namespace detail

// Runs body() as the export `name` called with args; inlined, so that with
// no trace running the export is its body behind one test.
template <typename Body, typename... A>
[[gnu::always_inline]] inline decltype(auto) Traced(const char* name, Body body, A... args) {
  if constexpr (TraceBuilt) {
    if (TraceRunning()) [[unlikely]]
      return detail::TracedSlow(name, body, args...);
  }
  return body();
}

// Traced for the export that is one call of `Function` with its own
// arguments. Off, it costs the test and its branch alone: with a body that
// captures the arguments, the compiler keeps a second copy of them for the
// slow path, one more instruction on every call.
template <auto Function, typename... A>
[[gnu::always_inline]] inline decltype(auto) TracedCall(const char* name, A... args) {
  if constexpr (TraceBuilt) {
    if (TraceRunning()) [[unlikely]]
      return detail::TracedSlowCall<Function>(name, args...);
  }
  return Function(args...);
}

}  // namespace lineio
