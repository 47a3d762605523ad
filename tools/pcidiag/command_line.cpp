#include "tools/pcidiag/command_line.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace lineio::pcidiag {

const char Usage[] =
    "Usage: pcidiag [--bus FILE] COMMAND\n"
    "Looks at the cards on a simulated PCI bus and changes their configuration\n"
    "registers through the simulated kernel driver.\n"
    "\n"
    "Commands:\n"
    "  scan                         list every card with its resources, one card\n"
    "                               per line of input (Enter)\n"
    "  resources BUS SLOT FUNCTION  list the resources of one card (numbers in\n"
    "                               decimal, or hexadecimal with 0x)\n"
    "  edit                         choose a card by vendor and device identifier,\n"
    "                               then edit its configuration registers\n"
    "  dump                         print the bus in the format of `lspci -x`\n"
    "\n"
    "Options:\n"
    "  --bus FILE  build the bus from a dump in the format of `lspci -x` (for\n"
    "              example `lspci -x > bus.txt` on a real machine) instead of the\n"
    "              default bus: a Kestrel board, a Merlin board and two other cards\n"
    "  -h, --help  show this text\n";

namespace {

std::optional<std::uint32_t> ParseNumber(const std::string& text) {
  if (text.empty() || text[0] == '-') return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const unsigned long value = std::strtoul(text.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || value > 0xFFFFFFFFul) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

}  // namespace

std::optional<Invocation> ParseCommandLine(int argc, char** argv, std::string& error) {
  Invocation invocation;
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "-h" || argument == "--help") return invocation;
    if (argument == "--bus") {
      if (i + 1 >= argc) {
        error = "--bus needs a file";
        return std::nullopt;
      }
      invocation.BusFile = argv[++i];
    } else if (argument.rfind("--bus=", 0) == 0) {
      invocation.BusFile = argument.substr(6);
    } else {
      words.push_back(argument);
    }
  }
  if (words.empty()) {
    error = "no command given";
    return std::nullopt;
  }
  const std::string& command = words[0];
  const std::size_t operands = words.size() - 1;
  if (command == "scan" || command == "edit" || command == "dump") {
    if (operands != 0) {
      error = command + " takes no operands";
      return std::nullopt;
    }
    invocation.Action = command == "scan" ? Command::Scan : command == "edit" ? Command::Edit : Command::Dump;
    return invocation;
  }
  if (command == "resources") {
    if (operands != 3) {
      error = "resources needs BUS SLOT FUNCTION";
      return std::nullopt;
    }
    const auto bus = ParseNumber(words[1]);
    const auto slot = ParseNumber(words[2]);
    const auto function = ParseNumber(words[3]);
    if (!bus || !slot || !function) {
      error = "BUS, SLOT and FUNCTION must be numbers";
      return std::nullopt;
    }
    invocation.Action = Command::Resources;
    invocation.Bus = *bus;
    invocation.Slot = *slot;
    invocation.Function = *function;
    return invocation;
  }
  error = "unknown command: " + command;
  return std::nullopt;
}

}  // namespace lineio::pcidiag
