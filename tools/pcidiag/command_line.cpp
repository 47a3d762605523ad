#include "tools/pcidiag/command_line.h"

#include <vector>

namespace lineio::pcidiag {

const char Usage[] =
    "Usage: pcidiag [--sim | --bus FILE] [-s SLOT] [-d ID] COMMAND\n"
    "Looks at the cards on a PCI bus and changes their configuration registers\n"
    "through the kernel driver: by default the machine's own bus (on Linux\n"
    "through sysfs), with --sim a simulated bus.\n"
    "\n"
    "Commands:\n"
    "  scan                         list every card with its resources; pauses\n"
    "                               after each card when the input is a terminal\n"
    "  resources BUS SLOT FUNCTION  list the resources of one card (numbers in\n"
    "                               decimal, or hexadecimal with 0x)\n"
    "  resources BB:SS.F            the same, with the location as lspci prints\n"
    "                               it (hexadecimal, optionally DDDD:BB:SS.F)\n"
    "  resources                    with -s or -d: each chosen card, its line as\n"
    "                               scan prints it, then its resources\n"
    "  edit                         choose a card by vendor and device identifier,\n"
    "                               then edit its configuration registers (on the\n"
    "                               machine's bus, after a confirmation)\n"
    "  dump                         print the bus in the format of `lspci -x`\n"
    "\n"
    "Options:\n"
    "  --sim       the default simulated bus: a Kestrel board, a Merlin board and\n"
    "              two other cards\n"
    "  --bus FILE  a simulated bus built from a dump in the format of `lspci -x`\n"
    "              (for example `lspci -x > bus.txt` on a real machine)\n"
    "  -s [[domain:]bus:][slot][.func]\n"
    "              scan and resources: only the cards at these places, as lspci\n"
    "              reads it (hexadecimal; a part left out or * matches any)\n"
    "  -d [vendor]:[device]\n"
    "              scan and resources: only the cards with these identifiers\n"
    "              (hexadecimal; a part left out or * matches any)\n"
    "  -h, --help  show this text\n"
    "  --version   print the version of pcidiag\n"
    "\n"
    "The driver's scan record holds 30 cards: -d narrows the driver's search,\n"
    "-s picks among the cards the record holds; a scan that leaves cards out\n"
    "says so on standard error.\n"
    "LINEIO_SYSFS_ROOT and LINEIO_DEV_ROOT stand in for /sys and /dev.\n";

namespace {

constexpr std::uint64_t Max32 = 0xFFFFFFFF;
constexpr std::uint32_t MaxDomain = 0xFFFFFF;
constexpr std::uint32_t MaxBus = 0xFF;
constexpr std::uint32_t MaxSlot = 0x1F;
constexpr std::uint32_t MaxFunction = 7;
constexpr std::uint32_t DomainShift = 8;
constexpr std::uint64_t LetterDigitBase = 10;

std::optional<std::uint64_t> DigitValue(char c, std::uint64_t base) {
  if (c >= '0' && c <= '9') return static_cast<std::uint64_t>(c - '0');
  if (base == 16 && c >= 'a' && c <= 'f') return static_cast<std::uint64_t>(c - 'a') + LetterDigitBase;
  if (base == 16 && c >= 'A' && c <= 'F') return static_cast<std::uint64_t>(c - 'A') + LetterDigitBase;
  return std::nullopt;
}

// All of `digits` in the base, at most `max`.
std::optional<std::uint32_t> Digits(const std::string& digits, std::uint64_t base, std::uint64_t max) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : digits) {
    const std::optional<std::uint64_t> digit = DigitValue(c, base);
    if (!digit) return std::nullopt;
    value = value * base + *digit;
    if (value > max) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

bool ParseNoOperandCommand(const std::string& command, std::size_t operands, Invocation& invocation,
                           std::string& error) {
  if (operands != 0) {
    error = command + " takes no operands";
    return false;
  }
  invocation.Action = command == "scan" ? Command::Scan : command == "edit" ? Command::Edit : Command::Dump;
  if (invocation.Action != Command::Scan && invocation.Selector.Given) {
    error = "-s and -d choose cards for scan and resources only, not for " + command;
    return false;
  }
  return true;
}

bool ParseResources(const std::vector<std::string>& words, Invocation& invocation, std::string& error) {
  if (invocation.Selector.Given) {
    if (words.size() == 1) {
      invocation.Action = Command::Resources;
      return true;
    }
    error = "resources takes a card's location or -s and -d, not both";
    return false;
  }
  std::optional<CardLocation> location;
  if (words.size() == 2) {
    location = ParseLocation(words[1]);
    if (!location) error = "not a card location (BB:SS.F in hexadecimal): " + words[1];
  } else if (words.size() == 4) {
    const auto bus = ParseNumber(words[1]);
    const auto slot = ParseNumber(words[2]);
    const auto function = ParseNumber(words[3]);
    if (bus && slot && function) location = CardLocation{*bus, *slot, *function};
    if (!location)
      error = "BUS, SLOT and FUNCTION must be numbers of at most 32 bits (decimal, or 0x hexadecimal)";
  } else {
    error = "resources needs BUS SLOT FUNCTION, BB:SS.F, or -s or -d";
  }
  if (!location) return false;
  invocation.Action = Command::Resources;
  invocation.Bus = location->Bus;
  invocation.Slot = location->Slot;
  invocation.Function = location->Function;
  return true;
}

// -s or -d at argv[at], its operand joined to it ("-s03:00.0") or the next
// argument; `at` moves past what was used.
bool ParseSelector(int argc, char** argv, int& at, CardSelector& selector, std::string& error) {
  const std::string option = std::string(argv[at]).substr(0, 2);
  std::string operand = std::string(argv[at]).substr(2);
  if (operand.empty()) {
    if (at + 1 >= argc) {
      error = option + " needs an operand";
      return false;
    }
    operand = argv[++at];
  }
  const bool parsed = option == "-s" ? ParseSlotSelector(operand, selector, error)
                                     : ParseIdSelector(operand, selector, error);
  if (!parsed) error = option + ": " + error;
  return parsed;
}

// The options; false with `error` set when they are not valid.
// `asked` is Help or Version when the arguments ask for that text.
bool ParseOptions(int argc, char** argv, Invocation& invocation, std::vector<std::string>& words,
                  std::optional<Command>& asked, std::string& error) {
  bool sim = false;
  bool busFile = false;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "-h" || argument == "--help") {
      asked = Command::Help;
    } else if (argument == "--version") {
      if (asked != Command::Help) asked = Command::Version;
    } else if (argument == "--sim") {
      sim = true;
    } else if (argument.rfind("-s", 0) == 0 || argument.rfind("-d", 0) == 0) {
      if (!ParseSelector(argc, argv, i, invocation.Selector, error)) return false;
    } else if (argument == "--bus" || argument.rfind("--bus=", 0) == 0) {
      if (argument == "--bus" && i + 1 >= argc) {
        error = "--bus needs a file";
        return false;
      }
      invocation.BusFile = argument == "--bus" ? argv[++i] : argument.substr(6);
      busFile = true;
      if (invocation.BusFile.empty()) {
        error = "--bus needs a file name, not an empty one";
        return false;
      }
    } else {
      words.push_back(argument);
    }
  }
  if (sim && busFile) {
    error = "--sim and --bus choose different buses; give one of them";
    return false;
  }
  invocation.Source = sim ? BusSource::Simulated : busFile ? BusSource::DumpFile : BusSource::DriverDevice;
  return true;
}

}  // namespace

std::optional<std::uint32_t> ParseNumber(const std::string& text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    return Digits(text.substr(2), 16, Max32);
  }
  return Digits(text, 10, Max32);
}

std::optional<std::uint32_t> ParseHexDigits(const std::string& text, std::uint32_t max) {
  return Digits(text, 16, max);
}

std::optional<CardLocation> ParseLocation(const std::string& text) {
  std::string rest = text;
  std::uint32_t domain = 0;
  const std::size_t first = rest.find(':');
  if (first != std::string::npos && rest.find(':', first + 1) != std::string::npos) {
    const auto parsed = Digits(rest.substr(0, first), 16, MaxDomain);
    if (!parsed) return std::nullopt;
    domain = *parsed;
    rest = rest.substr(first + 1);
  }
  const std::size_t colon = rest.find(':');
  const std::size_t dot = rest.find('.');
  if (colon == std::string::npos || dot == std::string::npos || dot < colon) return std::nullopt;
  const auto bus = Digits(rest.substr(0, colon), 16, MaxBus);
  const auto slot = Digits(rest.substr(colon + 1, dot - colon - 1), 16, MaxSlot);
  const auto function = Digits(rest.substr(dot + 1), 16, MaxFunction);
  if (!bus || !slot || !function) return std::nullopt;
  return CardLocation{domain << DomainShift | *bus, *slot, *function};
}

std::optional<Invocation> ParseCommandLine(int argc, char** argv, std::string& error) {
  Invocation invocation;
  std::vector<std::string> words;
  // --help and --version are answered whatever else is given; --help first.
  std::optional<Command> asked;
  if (!ParseOptions(argc, argv, invocation, words, asked, error)) return std::nullopt;
  if (asked) {
    Invocation answer;
    answer.Action = *asked;
    return answer;
  }
  if (words.empty()) {
    error = "no command given";
    return std::nullopt;
  }
  const std::string& command = words[0];
  const bool parsed = command == "scan" || command == "edit" || command == "dump"
                          ? ParseNoOperandCommand(command, words.size() - 1, invocation, error)
                      : command == "resources" ? ParseResources(words, invocation, error)
                                               : (error = "unknown command: " + command, false);
  if (!parsed) return std::nullopt;
  return invocation;
}

}  // namespace lineio::pcidiag
