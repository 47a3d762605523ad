// The process-wide state of the library: one copy per loaded library, shared
// without locks by every export, living as long as the library is loaded.
// The board access layer keeps the driver link, the current board and space
// and the texts of its dialogue; the port I/O library keeps the register set,
// the calibrated delay, the enable flag and the remembered outputs.
#pragma once

#include <cstdint>

#include "board/board_handle.h"
#include "board/messages.h"
#include "board/trace_hooks.h"
#include "driver/failure_reasons.h"
#include "platform/platform.h"

namespace lineio {

inline constexpr std::uint32_t ErrorTextBytes = 1024;
inline constexpr std::uint32_t ConsoleLineBytes = 256;
inline constexpr std::uint32_t FailureTextBytes = 2048;

struct BoardState {
  // Opened by PortInit, closed by PortEnd; only the version check is sent on it.
  platform::OsHandle DriverLink = platform::InvalidOsHandle;
  // The board that PortInit opened; none when no board was found.
  BoardHandle* CurrentBoard = nullptr;
  // The address-space slot of every raw access; written only by AnalyseResources.
  std::uint32_t CurrentSpace = 0;
  // The message of the last failure of ScanBoards or OpenBoard.
  char ErrorText[ErrorTextBytes] = {};
  // The line that LocateBoard last read from standard input.
  char ConsoleLine[ConsoleLineBytes] = {};
  // Why the last open failed (None when it worked, or before any), and the
  // lines that said so: the driver backend's, then the library's message.
  FailureReason LastFailure = FailureReason::None;
  char FailureText[FailureTextBytes] = {};
  // Where the messages go: LINEIO_MESSAGES as the library was loaded
  // (board/messages.cpp reads it then).
  MessageStream Messages = MessageStream::Stdout;
};

// The offsets of the four registers of the internal-bus interface.
struct RegisterSet {
  std::uint16_t DataReg;
  std::uint16_t AddrReg;
  std::uint16_t CtrlReg;
  std::uint16_t StatReg;
};

// Busy-loop passes that take 10 microseconds, until PortInit calibrates it.
inline constexpr std::int32_t InitialDelayCount = 300;
inline constexpr RegisterSet InitialRegisterSet{0x310, 0x312, 0x314, 0x316};
// The remembered outputs of the board with the most valid ports (Kestrel's 64).
inline constexpr std::uint16_t MaxShadowEntries = 64;

struct PortState {
  RegisterSet Registers = InitialRegisterSet;
  std::int32_t DelayCount = InitialDelayCount;
  // 0 until PortInit, 0xFFFF from then on; while set, every control byte of the
  // logical port protocol carries the enable bit.
  std::uint16_t EnableFlag = 0;
  // The last value written to each valid logical port, by shadow slot; the
  // board's description says how many slots it uses.
  std::uint16_t OutputShadow[MaxShadowEntries] = {};
};

struct ProcessState {
  BoardState Board;
  PortState Ports;
  // Installed while a trace runs (tracing/); none otherwise.
  TraceHooks Trace;
};

// Hidden where the object format has symbol visibility: the state belongs to
// the library and no other module can stand in for it, so code reaches it
// directly rather than through the global offset table.
#if defined(__ELF__)
extern __attribute__((visibility("hidden"))) ProcessState processState;
#else
extern ProcessState processState;
#endif

// Puts the state back as it is when the library loads, keeping what was
// chosen then (the message stream, a trace that runs). For tests, which run
// many sessions in one process.
void ResetProcessState();

}  // namespace lineio
