// The library's own messages ("no cards found", "DOVEVED PCI card found!",
// the card choice): standard output by default, as hosts and their logs
// expect; LINEIO_MESSAGES=stderr|off|stdout chooses, read once when the
// library is loaded. A question that waits for an answer (the card choice)
// still shows with "off", on standard error: a prompt nobody sees would only
// seem to hang.
#pragma once

#include <cstdint>
#include <cstdio>

namespace lineio {

enum class MessageStream : std::uint8_t { Stdout, Stderr, Off };

// What a value of LINEIO_MESSAGES chooses: nullptr (unset) or an unknown
// word give standard output.
MessageStream MessageStreamNamed(const char* value);
MessageStream MessageStreamFromEnvironment();

// Prints a message on the chosen stream and hands it to the trace.
void PrintMessage(const char* text);
// The card choice's question; flushed, since an answer is read next.
void PrintPrompt(const char* text);

}  // namespace lineio
