// The default simulated bus.
#include "sim/default_bus.h"

namespace lineio::sim {

namespace {

// Class codes: base class, subclass, programming interface.
constexpr std::uint32_t EthernetClass = 0x020000;
constexpr std::uint32_t OtherBridgeClass = 0x068000;

constexpr std::uint16_t NetworkVendor = 0x8086;
constexpr std::uint16_t NetworkDevice = 0x100E;
constexpr std::uint32_t NetworkMemoryBase = 0xFEBC0000;
constexpr std::uint32_t NetworkMemoryLength = 0x20000;
constexpr std::uint32_t NetworkInterruptLine = 10;

constexpr std::uint16_t BridgeVendor = 0x1106;
constexpr std::uint16_t BridgeDevice = 0x3057;
constexpr std::uint32_t BridgeIoBase = 0xE000;
constexpr std::uint32_t BridgeIoLength = 0x100;

std::unique_ptr<SimCard> MakeNetworkCard() {
  auto card = std::make_unique<SimCard>(NetworkVendor, NetworkDevice);
  card->SetClassCode(EthernetClass);
  card->AddMemoryRange(0, NetworkMemoryBase, NetworkMemoryLength);
  card->AddInterrupt(NetworkInterruptLine);
  card->AddLocationItem();
  return card;
}

std::unique_ptr<SimCard> MakeBridgeCard() {
  auto card = std::make_unique<SimCard>(BridgeVendor, BridgeDevice);
  card->SetClassCode(OtherBridgeClass);
  card->AddIoRange(0, BridgeIoBase, BridgeIoLength);
  card->AddLocationItem();
  return card;
}

}  // namespace

std::unique_ptr<KestrelBoard> MakeKestrelBoard(std::uint32_t ioBase, std::uint32_t interruptLine) {
  return std::make_unique<KestrelBoard>(ioBase, interruptLine);
}

std::unique_ptr<MerlinBoard> MakeMerlinBoard(std::uint32_t ioBase, std::uint32_t interruptLine) {
  return std::make_unique<MerlinBoard>(ioBase, interruptLine);
}

std::unique_ptr<SimCard> MakeBoardCard(std::uint16_t vendor, std::uint16_t device, std::uint32_t ioBase,
                                       std::uint32_t interruptLine) {
  if (vendor == KestrelVendor && device == KestrelDevice) return MakeKestrelBoard(ioBase, interruptLine);
  if (vendor == MerlinVendor && device == MerlinDevice) return MakeMerlinBoard(ioBase, interruptLine);
  auto card = std::make_unique<SimCard>(vendor, device);
  AddBoardResources(*card, ioBase, interruptLine);
  return card;
}

DefaultBusCards PopulateDefaultBus(SimBus& bus) {
  DefaultBusCards cards{};
  cards.Network = bus.CardCount();
  bus.AddCard(MakeNetworkCard());
  cards.Kestrel = bus.CardCount();
  bus.AddCard(MakeKestrelBoard());
  cards.Bridge = bus.CardCount();
  bus.AddCard(MakeBridgeCard());
  cards.Merlin = bus.CardCount();
  bus.AddCard(MakeMerlinBoard(BoardIoBase + BoardIoLength, BoardInterruptLine + 1));
  return cards;
}

}  // namespace lineio::sim
