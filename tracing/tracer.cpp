#include "tracing/tracer.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "platform/trace_output.h"
#include "portio/board_description.h"
#include "portio/bus.h"
#include "tracing/bus_watch.h"
#include "tracing/line_format.h"

#ifndef LINEIO_VERSION
#error "LINEIO_VERSION comes from the project version (tracing/CMakeLists.txt)"
#endif

namespace lineio {

namespace {

using Clock = std::chrono::steady_clock;

// A line of the trace: the time, a blank, the text, a newline.
constexpr std::size_t TraceLineBytes = 192;

struct TraceState {
  std::mutex Lock;
  platform::TraceOutput Output;
  std::array<char, TraceBufferBytes> Buffer{};
  // Bytes of Buffer in use; read without the lock by the fatal-signal flush.
  std::atomic<std::size_t> Used{0};
  Clock::time_point Origin = Clock::now();
  BusWatch Watch{WatchedRegisters{}};
  SerialDecoder LineDevices{LineSerialPort};
  SerialDecoder SignalDevices{SignalSerialPort};

  ~TraceState();
};

TraceState& State() {
  static TraceState state;
  return state;
}

WatchedRegisters CurrentRegisters() {
  const RegisterSet& set = processState.Ports.Registers;
  return {set.DataReg, set.AddrReg, set.CtrlReg, set.StatReg};
}

void RemoveHooks() { InstallTraceHooks(TraceHooks{}); }

// With the lock held: writes out the buffer. A file that takes no more
// stops the trace, with one line on standard error.
bool FlushLocked(TraceState& state) {
  const std::size_t used = state.Used.load(std::memory_order_relaxed);
  if (used == 0 || state.Output.Fd < 0) return true;
  int error = 0;
  const bool written = platform::WriteTraceOutput(state.Output, state.Buffer.data(), used, error);
  state.Used.store(0, std::memory_order_relaxed);
  if (written) return true;
  std::fprintf(stderr, "lineio: the trace to %s stopped: %s\n", state.Output.Path.c_str(),
               std::strerror(error));
  RemoveHooks();
  platform::CloseTraceOutput(state.Output);
  return false;
}

void AppendLocked(TraceState& state, const char* text, std::size_t length) {
  if (state.Output.Fd < 0) return;
  if (state.Used.load(std::memory_order_relaxed) + length > state.Buffer.size() && !FlushLocked(state))
    return;
  const std::size_t used = state.Used.load(std::memory_order_relaxed);
  std::memcpy(state.Buffer.data() + used, text, length);
  state.Used.store(used + length, std::memory_order_release);
}

void EmitLocked(TraceState& state, const char* payload) {
  const auto micros =
      std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - state.Origin).count();
  char line[TraceLineBytes];
  int length =
      std::snprintf(line, sizeof line, "%" PRId64 " %s\n", static_cast<std::int64_t>(micros), payload);
  if (length < 0) return;
  if (static_cast<std::size_t>(length) >= sizeof line) {
    length = sizeof line - 1;
    line[length - 1] = '\n';
  }
  AppendLocked(state, line, static_cast<std::size_t>(length));
}

void Emit(const char* payload) {
  TraceState& state = State();
  const std::lock_guard<std::mutex> hold(state.Lock);
  EmitLocked(state, payload);
}

void EmitRegisters(TraceState& state) {
  const WatchedRegisters set = CurrentRegisters();
  state.Watch.SetRegisters(set);
  char text[LineBytes];
  std::snprintf(text, sizeof text, "! registers %04x %04x %04x %04x", set.DataReg, set.AddrReg, set.CtrlReg,
                set.StatReg);
  EmitLocked(state, text);
}

void DecodeLatch(TraceState& state, const BusLatch& latch) {
  if (latch.SerialPort == 0) return;
  SerialDecoder& devices = latch.SerialPort == LineSerialPort ? state.LineDevices : state.SignalDevices;
  const LatchResult result = devices.Latch(latch.Value);
  for (std::size_t i = 0; i < result.LoadCount; ++i) {
    char text[LineBytes];
    FormatLoadLine(text, sizeof text, result.Loads[i]);
    EmitLocked(state, text);
  }
}

bool SameRegisters(const WatchedRegisters& a, const WatchedRegisters& b) {
  return a.DataReg == b.DataReg && a.AddrReg == b.AddrReg && a.CtrlReg == b.CtrlReg && a.StatReg == b.StatReg;
}

void OnAccess(char direction, std::uint16_t offset, std::uint8_t width, std::uint32_t value) {
  TraceState& state = State();
  const std::lock_guard<std::mutex> hold(state.Lock);
  // PortInit selects the register set: the trace notes a new one before the
  // first access made with it.
  if (!SameRegisters(state.Watch.Registers(), CurrentRegisters())) EmitRegisters(state);
  char text[LineBytes];
  FormatAccessLine(text, sizeof text, direction, offset, width, value);
  EmitLocked(state, text);
  if (direction != 'W') return;
  if (auto latch = state.Watch.Write(offset, width, value)) DecodeLatch(state, *latch);
}

// Each line of the message as "# line".
void OnMessage(const char* message) {
  TraceState& state = State();
  const std::lock_guard<std::mutex> hold(state.Lock);
  while (*message != '\0') {
    const char* end = std::strchr(message, '\n');
    const std::size_t length =
        end != nullptr ? static_cast<std::size_t>(end - message) : std::strlen(message);
    char text[TraceLineBytes];
    std::snprintf(text, sizeof text, "# %.*s", static_cast<int>(length), message);
    EmitLocked(state, text);
    message += length + (end != nullptr ? 1 : 0);
  }
}

void OnInterrupt(std::uint32_t count, std::uint32_t lost) {
  char text[LineBytes];
  std::snprintf(text, sizeof text, "I %" PRIu32 " %" PRIu32, count, lost);
  Emit(text);
}

// From the fatal-signal handler: only the write, no lock and no allocation.
void FlushFromSignal() {
  TraceState& state = State();
  const std::size_t used = state.Used.load(std::memory_order_acquire);
  int error = 0;
  if (used != 0 && state.Output.Fd >= 0)
    platform::WriteTraceOutput(state.Output, state.Buffer.data(), used, error);
  state.Used.store(0, std::memory_order_relaxed);
}

// In a forked child: the parent's lines and file stay the parent's. The lock
// may be held by a parent thread at the fork, so it is made anew.
void DropInChild() {
  TraceState& state = State();
  new (&state.Lock) std::mutex();
  state.Used.store(0, std::memory_order_relaxed);
  RemoveHooks();
  platform::CloseTraceOutput(state.Output);
}

void StopLocked(TraceState& state) {
  RemoveHooks();
  FlushLocked(state);
  platform::CloseTraceOutput(state.Output);
}

TraceState::~TraceState() {
  const std::lock_guard<std::mutex> hold(Lock);
  StopLocked(*this);
}

bool StartFromEnvironment() {
  const char* path = std::getenv("LINEIO_TRACE");
  if (path != nullptr && *path != '\0') StartTraceOrSay(path);
  return true;
}

// Read once, when the library is loaded.
const bool StartedFromEnvironment = StartFromEnvironment();

}  // namespace

bool StartTrace(const char* path) {
  int error = 0;
  return StartTraceWithError(path, error);
}

bool StartTraceWithError(const char* path, int& error) {
  if constexpr (!TraceBuilt) {
    error = ENOSYS;  // a build without the trace
    return false;
  }
  TraceState& state = State();
  const std::lock_guard<std::mutex> hold(state.Lock);
  StopLocked(state);
  if (path == nullptr || !platform::OpenTraceOutput(path, state.Output, error)) return false;
  state.Origin = Clock::now();
  state.LineDevices = SerialDecoder(LineSerialPort);
  state.SignalDevices = SerialDecoder(SignalSerialPort);
  char header[TraceLineBytes];
  std::snprintf(header, sizeof header, "! lineio %s trace of the %s board", LINEIO_VERSION, ThisBoard().Name);
  EmitLocked(state, header);
  EmitRegisters(state);
  InstallTraceHooks(TraceHooks{OnAccess, OnMessage, OnInterrupt});
  platform::FlushOnFatalSignal(FlushFromSignal);
  platform::DropInForkedChild(DropInChild);
  return true;
}

bool StartTraceOrSay(const char* path) {
  int error = 0;
  if (StartTraceWithError(path, error)) return true;
  std::fprintf(stderr, "lineio: cannot trace to %s: %s\n", path, std::strerror(error));
  return false;
}

void StopTrace() {
  TraceState& state = State();
  const std::lock_guard<std::mutex> hold(state.Lock);
  StopLocked(state);
}

const char* TracePath() { return State().Output.Path.c_str(); }

void TraceCallLine(const char* text) { Emit(text); }

void TraceResultLine(const char* text) {
  TraceState& state = State();
  const std::lock_guard<std::mutex> hold(state.Lock);
  char line[TraceLineBytes];
  std::snprintf(line, sizeof line, "= %s", text);
  EmitLocked(state, line);
}

void RestartTraceClock() {
  TraceState& state = State();
  const std::lock_guard<std::mutex> hold(state.Lock);
  state.Origin = Clock::now();
}

void FlushTrace() {
  TraceState& state = State();
  const std::lock_guard<std::mutex> hold(state.Lock);
  FlushLocked(state);
}

}  // namespace lineio
