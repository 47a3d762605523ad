// Reading and writing bus descriptions in the `lspci -x` format.
#include "sim/bus_dump.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <set>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "sim/line_reader.h"
#include "sim/pci_location.h"

namespace lineio::sim {

namespace {

constexpr std::size_t BytesPerLine = 16;
constexpr std::uint32_t IoAddressMask = ~std::uint32_t{0x3};
constexpr std::uint32_t MemoryAddressMask = ~std::uint32_t{0xF};
constexpr std::uint32_t IoSpaceBit = 0x1;
constexpr std::uint32_t MemoryTypeShift = 1;
constexpr std::uint32_t MemoryTypeMask = 0x3;
constexpr std::uint32_t Memory64Bit = 0x2;
constexpr std::uint8_t HeaderLayoutMask = 0x7F;
constexpr std::uint8_t NoInterruptLine = 0xFF;

// Base address registers by header layout: ordinary card, bridge, CardBus.
int BarsOfLayout(std::uint8_t layout) {
  switch (layout) {
    case 0: return BarCount;
    case 1: return 2;
    default: return 1;
  }
}

[[noreturn]] void Fail(int lineNumber, const std::string& why) {
  throw std::runtime_error("bus dump line " + std::to_string(lineNumber) + ": " + why);
}

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view FirstWord(std::string_view line) {
  std::size_t end = 0;
  while (end < line.size() && !IsBlank(line[end])) ++end;
  return line.substr(0, end);
}

// "bb:ss.f" or "dddd:bb:ss.f" as the line's first word, then the description.
CardDump ParseLocationLine(std::string_view line, int lineNumber) {
  const std::string_view word = FirstWord(line);
  CardDump card;
  try {
    card.Slot = ParsePciLocation(word);
  } catch (const std::invalid_argument& bad) {
    Fail(lineNumber, bad.what());
  }
  std::size_t text = word.size();
  while (text < line.size() && IsBlank(line[text])) ++text;
  card.Description = std::string(line.substr(text));
  return card;
}

// The offset before the colon of a data line (hexadecimal digits); fails when
// it lies past the configuration space.
std::uint32_t ParseOffset(std::string_view digits, int lineNumber) {
  std::uint32_t offset = 0;
  const std::from_chars_result read =
      std::from_chars(digits.data(), digits.data() + digits.size(), offset, 16);
  if (read.ec != std::errc() || offset >= ExtendedConfigBytes) {
    Fail(lineNumber, "offset " + std::string(digits) + " lies past the configuration space (0 to fff)");
  }
  return offset;
}

// The value of a hexadecimal digit (IsHexDigit holds).
std::uint8_t HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
  return static_cast<std::uint8_t>(c - 'A' + 10);
}

// What separates the bytes of a data line: any white space, as a stream's
// words are separated.
bool IsSeparator(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// The next word of `text` from `at` on (separators before it skipped); empty
// at the end. `at` moves past the word.
std::string_view NextWord(std::string_view text, std::size_t& at) {
  while (at < text.size() && IsSeparator(text[at])) ++at;
  const std::size_t start = at;
  while (at < text.size() && !IsSeparator(text[at])) ++at;
  return text.substr(start, at - start);
}

// "oo: bb bb ..." : the bytes at offset oo. Gives false when the line has no
// hexadecimal offset before a colon.
bool ParseDataLine(std::string_view line, int lineNumber, CardDump& card) {
  const std::size_t colon = line.find(':');
  if (colon == 0 || colon == std::string_view::npos) return false;
  if (!std::all_of(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(colon), IsHexDigit)) {
    return false;
  }
  std::uint32_t at = ParseOffset(line.substr(0, colon), lineNumber);
  std::size_t next = colon + 1;
  for (std::string_view word = NextWord(line, next); !word.empty(); word = NextWord(line, next), ++at) {
    if (word.size() != 2 || !IsHexDigit(word[0]) || !IsHexDigit(word[1])) {
      Fail(lineNumber, "not a hexadecimal byte: " + std::string(word));
    }
    if (at >= ExtendedConfigBytes) Fail(lineNumber, "the bytes run past the configuration space (0 to fff)");
    if (at < ConfigSpaceBytes) {
      // Room for the standard header at once: one allocation per card.
      if (card.Config.capacity() < DumpHeaderBytes) card.Config.reserve(DumpHeaderBytes);
      if (card.Config.size() <= at) card.Config.resize(at + 1, 0);
      card.Config[at] = static_cast<std::uint8_t>(HexDigitValue(word[0]) << 4 | HexDigitValue(word[1]));
    }
  }
  return true;
}

// A line read whole, or a failure naming the line.
bool NextDumpLine(LineReader& reader, std::string& line) {
  switch (reader.Next(line)) {
    case LineRead::Line: break;
    case LineRead::End: return false;
    case LineRead::TooLong:
      Fail(reader.LineNumber(), "longer than " + std::to_string(MaxDumpLineLength) + " characters");
    case LineRead::ReadError: Fail(reader.LineNumber(), "read error");
  }
  // A line end is "\n", "\r\n" or any run of carriage returns before "\n":
  // none of them is part of the line, so a description never ends in one and
  // a written card reads back the same.
  while (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

std::uint32_t DumpedDword(const CardDump& dump, std::uint32_t offset) {
  std::uint32_t value = 0;
  for (std::uint32_t i = 0; i < 4; ++i) {
    const std::size_t at = offset + i;
    if (at < dump.Config.size()) value |= std::uint32_t{dump.Config[at]} << (8 * i);
  }
  return value;
}

std::uint8_t DumpedByte(const CardDump& dump, std::uint32_t offset) {
  return offset < dump.Config.size() ? dump.Config[offset] : 0;
}

// The size guessed for a range: the alignment of its base, capped.
std::uint32_t GuessedLength(std::uint32_t base, std::uint32_t cap) {
  return std::min(base & (~base + 1), cap);
}

// Adds the range that base address register `bar` describes; gives the number
// of registers it takes (2 for a 64-bit memory range).
int AddDumpedRange(SimCard& card, const CardDump& dump, int bar, int bars) {
  const std::uint32_t value = DumpedDword(dump, BarOffset(bar));
  if ((value & IoSpaceBit) != 0) {
    const std::uint32_t base = value & IoAddressMask;
    if (base != 0) card.AddIoRange(bar, base, GuessedLength(base, MaxDumpedIoLength));
    return 1;
  }
  const bool wide = ((value >> MemoryTypeShift) & MemoryTypeMask) == Memory64Bit;
  const std::uint32_t upper = wide && bar + 1 < bars ? DumpedDword(dump, BarOffset(bar + 1)) : 0;
  const std::uint32_t base = value & MemoryAddressMask;
  if (base != 0 && upper == 0) card.AddMemoryRange(bar, base, GuessedLength(base, MaxDumpedMemoryLength));
  return wide ? 2 : 1;
}

}  // namespace

std::vector<CardDump> ParseBusDump(std::istream& in) {
  std::vector<CardDump> cards;
  std::set<PciSlotKey> places;
  LineReader reader(in, MaxDumpLineLength);
  for (std::string line; NextDumpLine(reader, line);) {
    const int lineNumber = reader.LineNumber();
    if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#') continue;
    if (FirstWord(line).find('.') != std::string_view::npos) {
      CardDump card = ParseLocationLine(line, lineNumber);
      if (!places.insert(KeyOf(card.Slot)).second) {
        Fail(lineNumber, "a second card at " + FormatPciLocation(card.Slot));
      }
      cards.push_back(std::move(card));
      continue;
    }
    if (cards.empty() || !ParseDataLine(line, lineNumber, cards.back())) {
      Fail(lineNumber, "neither a card location nor configuration bytes");
    }
  }
  for (const CardDump& card : cards) {
    if (card.Config.size() < 4) {
      throw std::runtime_error("bus dump: the card at " + FormatPciLocation(card.Slot) +
                               " has no vendor and device identifiers");
    }
  }
  return cards;
}

std::string FormatCardDump(const CardDump& card) {
  char text[64];
  std::string out = FormatPciLocation(card.Slot);
  if (!card.Description.empty()) out += " " + card.Description;
  out += "\n";
  for (std::size_t at = 0; at < card.Config.size(); at += BytesPerLine) {
    std::snprintf(text, sizeof text, "%02zx:", at);
    out += text;
    for (std::size_t i = at; i < at + BytesPerLine && i < card.Config.size(); ++i) {
      std::snprintf(text, sizeof text, " %02x", card.Config[i]);
      out += text;
    }
    out += "\n";
  }
  return out + "\n";
}

std::unique_ptr<SimCard> MakeCardFromDump(const CardDump& dump) {
  auto card = std::make_unique<SimCard>(static_cast<std::uint16_t>(DumpedDword(dump, ConfigVendor)),
                                        static_cast<std::uint16_t>(DumpedDword(dump, ConfigVendor) >> 16));
  const int bars = BarsOfLayout(DumpedByte(dump, ConfigHeaderType) & HeaderLayoutMask);
  for (int bar = 0; bar < bars;) bar += AddDumpedRange(*card, dump, bar, bars);
  const std::uint8_t line = DumpedByte(dump, ConfigInterruptLine);
  if (DumpedByte(dump, ConfigInterruptPin) != 0 && line != 0 && line != NoInterruptLine) {
    card->AddInterrupt(line);
  }
  card->AddLocationItem();
  // The bytes exactly as dumped, type bits of the base address registers included.
  for (std::size_t at = 0; at < dump.Config.size(); ++at) {
    card->ConfigPoke(static_cast<std::uint32_t>(at), 1, dump.Config[at]);
  }
  return card;
}

int LoadBusDump(SimBus& bus, std::istream& in) {
  const std::vector<CardDump> cards = ParseBusDump(in);
  for (const CardDump& dump : cards) {
    if (bus.FindBySlot(dump.Slot) >= 0) {
      throw std::invalid_argument("bus dump: a card is already at " + FormatPciLocation(dump.Slot));
    }
    bus.AddCard(MakeCardFromDump(dump), dump.Slot);
  }
  return static_cast<int>(cards.size());
}

CardDump DumpBusCard(const SimBus& bus, int index) {
  const SimCard& card = bus.Card(index);
  CardDump dump;
  dump.Slot = bus.SlotOf(index);
  for (std::uint32_t at = 0; at < DumpHeaderBytes; ++at) {
    dump.Config.push_back(static_cast<std::uint8_t>(card.ConfigRead(at, 1)));
  }
  char text[64];
  std::snprintf(text, sizeof text, "%04x: %04x:%04x", card.ConfigRead(ConfigClassCode + 1, 2), card.Vendor(),
                card.Device());
  dump.Description = text;
  const std::uint32_t revision = card.ConfigRead(ConfigRevision, 1);
  if (revision != 0) {
    std::snprintf(text, sizeof text, " (rev %02x)", revision);
    dump.Description += text;
  }
  return dump;
}

}  // namespace lineio::sim
