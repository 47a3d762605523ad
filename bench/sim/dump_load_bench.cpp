// Loading a bus dump in the format of `lspci -x` onto the simulated bus, as
// `pcidiag --bus FILE` does: parsing the text and placing every card. The
// dumps are made here: each card is a location line, four lines of 16 bytes
// (identifiers, an I/O and a memory range, an interrupt) and a blank line,
// six lines in all, spread over as many PCI domains as the count needs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "sim/bus_dump.h"
#include "sim/sim_bus.h"

namespace {

constexpr int LinesPerCard = 6;
constexpr int FunctionsPerSlot = 8;
constexpr int SlotsPerBus = 32;
constexpr int BusesPerDomain = 256;

std::string CardText(int index) {
  const int function = index % FunctionsPerSlot;
  const int slot = index / FunctionsPerSlot % SlotsPerBus;
  const int bus = index / (FunctionsPerSlot * SlotsPerBus) % BusesPerDomain;
  const int domain = index / (FunctionsPerSlot * SlotsPerBus * BusesPerDomain);
  char text[512];
  std::snprintf(text, sizeof text,
                "%04x:%02x:%02x.%x Signal processing controller: Kestrel line-test board\n"
                "00: 6c 13 36 a0 03 00 80 02 01 00 80 11 10 20 00 00\n"
                "10: 01 e0 00 00 00 00 00 e8 00 00 00 00 00 00 00 00\n"
                "20: 00 00 00 00 00 00 00 00 00 00 00 00 6c 13 36 a0\n"
                "30: 00 00 00 00 00 00 00 00 00 00 00 00 0b 01 08 2a\n"
                "\n",
                domain, bus, slot, function);
  return text;
}

std::string DumpOf(int cards) {
  std::string dump;
  for (int index = 0; index < cards; ++index) dump += CardText(index);
  return dump;
}

// Arguments: the number of cards; the counters give cards and lines.
void BM_LoadBusDump(benchmark::State& state) {
  const int cards = static_cast<int>(state.range(0));
  const std::string dump = DumpOf(cards);
  for (auto _ : state) {
    lineio::sim::SimBus bus;
    std::istringstream in(dump);
    benchmark::DoNotOptimize(lineio::sim::LoadBusDump(bus, in));
  }
  state.counters["cards"] = cards;
  state.counters["lines"] = cards * LinesPerCard;
}
// 1M lines: 166,667 cards of six lines.
BENCHMARK(BM_LoadBusDump)
    ->Arg(4096)
    ->Arg(65536)
    ->Arg(1000000 / LinesPerCard + 1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
