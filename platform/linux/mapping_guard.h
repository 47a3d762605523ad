// Memory ranges that go away while they are mapped.
//
// A memory range of a board is a shared mapping of its `resourceN` file, and
// every register access to it is a plain load or store. When the range goes
// away while the board is open (the device is removed or rebound to another
// driver; on a tree of ordinary files, the file is cut short), the next access
// faults with SIGBUS, which would end the host. The guard catches that fault:
// when it lies inside a range the library mapped, the range's pages are
// replaced by zero pages, the range is marked lost and one line says so on
// standard error; the access then runs again on the zero pages, as does
// every later one: nothing reaches the device any more, and a read gives 0,
// or what the process wrote there since. Any other SIGBUS goes on
// to the handler that was in place before, or ends the process as it would
// have. The accesses themselves stay plain loads and stores: the guard costs
// nothing until a range goes.
#pragma once

#include <cstddef>
#include <string>

namespace lineio::platform::linuxpci {

// The longest line that the guard keeps for a range.
inline constexpr std::size_t GuardLineBytes = 320;

// Guards the mapping [start, start + bytes); `line` is what to say when it
// goes away. Installs the SIGBUS handler at the first call. False when the
// guard holds as many ranges as it can (the range is then not guarded).
bool GuardMapping(void* start, std::size_t bytes, const std::string& line);
// Stops guarding the mapping that starts at `start`, before it is unmapped.
void UnguardMapping(void* start);
// Lets go of the mapping [start, start + bytes) as if it had gone away: its
// pages become zero pages (so nothing holds the device any more) and, when
// it is guarded, its line is said, once.
void LoseMapping(void* start, std::size_t bytes);
// Whether the guarded mapping that holds `address` went away.
bool MappingLost(const void* address);

}  // namespace lineio::platform::linuxpci
