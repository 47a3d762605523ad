// The process-wide state of the board access layer: one copy per loaded
// library, shared without locks by every export.
#pragma once

#include <cstdint>

#include "board/board_handle.h"
#include "platform/platform.h"

namespace lineio {

inline constexpr std::uint32_t ErrorTextBytes = 1024;
inline constexpr std::uint32_t ConsoleLineBytes = 256;

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
};

extern BoardState BoardLayer;

}  // namespace lineio
