// The command line of pcidiag.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tools/pcidiag/card_selector.h"

namespace lineio::pcidiag {

enum class Command { Scan, Resources, Edit, Dump, Help, Version };

// Which bus pcidiag looks at: the driver device (on Linux the machine's real
// PCI bus), the default simulated bus, or a simulated bus built from a dump.
enum class BusSource { DriverDevice, Simulated, DumpFile };

struct Invocation {
  Command Action = Command::Help;
  BusSource Source = BusSource::DriverDevice;
  std::string BusFile;  // with BusSource::DumpFile
  std::uint32_t Bus = 0;
  std::uint32_t Slot = 0;
  std::uint32_t Function = 0;
  // -s and -d: the cards that scan lists, or whose resources are listed
  // (resources then takes no location).
  CardSelector Selector;
};

// The invocation, or nothing when the arguments are not one (`error` says why).
std::optional<Invocation> ParseCommandLine(int argc, char** argv, std::string& error);

// A number word: decimal, or hexadecimal after 0x; nothing for anything else,
// a sign, or a number above 32 bits. A leading 0 is decimal, never octal.
std::optional<std::uint32_t> ParseNumber(const std::string& text);

// Hexadecimal digits only (no sign, no 0x), at most `max`; nothing otherwise.
std::optional<std::uint32_t> ParseHexDigits(const std::string& text, std::uint32_t max);

struct CardLocation {
  std::uint32_t Bus;  // with a domain other than 0: (domain << 8) | bus
  std::uint32_t Slot;
  std::uint32_t Function;
};
// "BB:SS.F" or "DDDD:BB:SS.F" in hexadecimal, as lspci prints them.
std::optional<CardLocation> ParseLocation(const std::string& text);

extern const char Usage[];

}  // namespace lineio::pcidiag
