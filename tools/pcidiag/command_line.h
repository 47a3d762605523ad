// The command line of pcidiag.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace lineio::pcidiag {

enum class Command { Scan, Resources, Edit, Dump, Help };

struct Invocation {
  Command Action = Command::Help;
  std::string BusFile;  // empty: the default simulated bus
  std::uint32_t Bus = 0;
  std::uint32_t Slot = 0;
  std::uint32_t Function = 0;
};

// The invocation, or nothing when the arguments are not one (`error` says why).
std::optional<Invocation> ParseCommandLine(int argc, char** argv, std::string& error);
extern const char Usage[];

}  // namespace lineio::pcidiag
