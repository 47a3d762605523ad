// A C++17 host of both boards through include/lineio.hpp: each board's
// simulation flavour loaded on its own, opened and closed with its object.
// Built with -Wall -Wextra -Wpedantic -Werror and checked with clang-tidy
// (tests/cxx/CMakeLists.txt); ctest runs it with LINEIO_SIM_DIR set.
#include <array>
#include <cstdio>
#include <exception>

#include "lineio.hpp"

int main() {
  try {
    const lineio::Board kestrel = lineio::Board::Simulated("kestrel");
    const lineio::Board merlin = lineio::Board::Simulated("merlin");
    // Group 5 exists on Kestrel only: Merlin rejects the port (1).
    std::printf("kestrel: WritePort(80, 0x12) = %d\n", static_cast<int>(kestrel.WritePort(80, 0x12)));
    std::printf("merlin: WritePort(80, 0x12) = %d\n", static_cast<int>(merlin.WritePort(80, 0x12)));
    std::printf("kestrel: exchange pattern %s\n",
                kestrel.LoadExchange(0, "A5123489AB") ? "loaded" : "refused");
    std::printf("merlin: three ticks %s\n", merlin.WaitTicks(3) ? "passed" : "stopped");
    const std::array<float, 8> impulse{0, 1, 0, 0, 0, 0, 0, 0};
    for (const float magnitude : kestrel.Spectrum(impulse)) {
      std::printf("%g ", static_cast<double>(magnitude));
    }
    std::printf("\n");
  } catch (const std::exception& error) {
    std::fprintf(stderr, "host: %s\n", error.what());
    return 1;
  }
  return 0;
}
