// Requests to the kernel driver and the records they carry.
//
// Every request is one device I/O control call with one fixed-size record that
// the driver fills in place. On 32-bit targets each record has exactly the size
// and field offsets that the driver expects (asserted below). Fields that carry
// an address of the calling process are pointer-wide, so the records grow on
// 64-bit targets; that wider layout is ours and is asserted as well.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lineio {

// Request codes.
inline constexpr std::uint32_t ReqDriverVersion = 0x95382443;
inline constexpr std::uint32_t ReqScanPciCards = 0x9538243B;
inline constexpr std::uint32_t ReqPciCardInfo = 0x9538243F;
inline constexpr std::uint32_t ReqRegisterCard = 0x953824AB;
inline constexpr std::uint32_t ReqUnregisterCard = 0x953824AF;
inline constexpr std::uint32_t ReqPciConfig = 0x9538246B;
inline constexpr std::uint32_t ReqTransfer = 0x9538240F;
inline constexpr std::uint32_t ReqEnableInterrupt = 0x9538247B;
inline constexpr std::uint32_t ReqDisableInterrupt = 0x9538247F;
inline constexpr std::uint32_t ReqWaitInterrupt = 0x95382487;

// The oldest driver version the library accepts.
inline constexpr std::uint32_t MinimumDriverVersion = 400;

// Array bounds of the records.
inline constexpr std::uint32_t MaxScannedCards = 30;
inline constexpr std::uint32_t MaxResourceItems = 20;

struct VersionQuery {
  std::uint32_t Version;
  char Text[100];
};

struct PciId {
  std::uint32_t Vendor;
  std::uint32_t Device;
};

struct PciSlot {
  std::uint32_t Bus;
  std::uint32_t Slot;
  std::uint32_t Function;
};

struct PciScan {
  PciId Search;
  std::uint32_t CardCount;
  PciId CardIds[MaxScannedCards];
  PciSlot CardSlots[MaxScannedCards];
};

// Resource item types. No other value has a meaning.
inline constexpr std::uint32_t ItemNone = 0;
inline constexpr std::uint32_t ItemInterrupt = 1;
inline constexpr std::uint32_t ItemMemory = 2;
inline constexpr std::uint32_t ItemIo = 3;
inline constexpr std::uint32_t ItemBus = 5;

// One resource of a card. The five values mean, by type:
//   ItemInterrupt: Value0 interrupt line, Value2 interrupt handle (set at registration)
//   ItemMemory:    Value0 physical base, Value1 length, Value2 the driver's address of
//                  the range, Value3 the range mapped into this process (both set at
//                  registration)
//   ItemIo:        Value0 first port, Value1 length
//   ItemBus:       Value0 bus type, Value1 bus number, Value2 slot, Value4 function
struct ResourceItem {
  std::uint32_t Type;
  std::uint32_t Exclusive;
  std::uint32_t Value0;
  std::uint32_t Value1;
  std::uintptr_t Value2;
  std::uintptr_t Value3;
  std::uint32_t Value4;
};

struct CardResources {
  std::uint32_t ItemCount;
  ResourceItem Items[MaxResourceItems];
};

struct PciCardInfo {
  PciSlot Slot;
  CardResources Card;
};

// Lives inside the board record for the life of the open board: the driver
// writes addresses and handles into it at registration.
struct CardRegistration {
  CardResources Card;
  std::uint32_t Mode;        // 0: register and lock
  std::uint32_t CardHandle;  // non-zero when registered and locked for this caller
  std::uint8_t Reserved[136];
};

struct PciConfigAccess {
  PciSlot Slot;
  void* Buffer;
  std::uint32_t Offset;
  std::uint32_t ByteCount;
  std::uint32_t ReadFlag;  // 1: card to buffer, 0: buffer to card
  std::uint32_t Reserved;
};

// Transfer command codes: block I/O commands are 20 + (3 if write) + width code,
// the memory commands the I/O codes plus 20.
inline constexpr std::uint32_t PortWriteDword = 15;
inline constexpr std::uint32_t PortReadBytes = 20;
inline constexpr std::uint32_t PortReadWords = 21;
inline constexpr std::uint32_t PortReadDwords = 22;
inline constexpr std::uint32_t PortWriteBytes = 23;
inline constexpr std::uint32_t PortWriteWords = 24;
inline constexpr std::uint32_t PortWriteDwords = 25;
inline constexpr std::uint32_t MemWriteDword = 35;
inline constexpr std::uint32_t MemReadBytes = 40;
inline constexpr std::uint32_t MemReadWords = 41;
inline constexpr std::uint32_t MemReadDwords = 42;
inline constexpr std::uint32_t MemWriteBytes = 43;
inline constexpr std::uint32_t MemWriteWords = 44;
inline constexpr std::uint32_t MemWriteDwords = 45;

struct TransferCommand {
  std::uint32_t Command;
  std::uintptr_t Address;  // I/O port, or the driver's address of a memory location
  std::uint32_t ByteCount;
  std::uint32_t AutoIncrement;
  std::uint32_t Options;
  std::uintptr_t Data;  // block commands: the caller's buffer; single-value: the value
};

struct InterruptRecord {
  std::uint32_t Handle;
  std::uint32_t Options;
  TransferCommand* Commands;
  std::uint32_t CommandCount;
  std::uint8_t Reserved[16];
  std::uint32_t EnableOk;
  std::uint32_t Count;
  std::uint32_t Lost;
  std::uint32_t Stopped;
};

// Handed to the interrupt handler after each completed wait.
struct InterruptResult {
  std::uint32_t Count;
  std::uint32_t Lost;
  std::uint32_t Stopped;
};

// The number of entries of a record's array that may be read: a driver that
// reports more than the array holds is not believed beyond the array.
inline std::uint32_t CardsIn(const PciScan& scan) {
  return scan.CardCount < MaxScannedCards ? scan.CardCount : MaxScannedCards;
}
inline std::uint32_t ItemsIn(const CardResources& card) {
  return card.ItemCount < MaxResourceItems ? card.ItemCount : MaxResourceItems;
}

// Layout checks. The 32-bit layout is the driver's; the 64-bit one is ours.
static_assert(sizeof(VersionQuery) == 104);
static_assert(sizeof(PciId) == 8 && offsetof(PciId, Device) == 4);
static_assert(sizeof(PciSlot) == 12 && offsetof(PciSlot, Function) == 8);
static_assert(sizeof(PciScan) == 612);
static_assert(offsetof(PciScan, CardCount) == 8);
static_assert(offsetof(PciScan, CardIds) == 12);
static_assert(offsetof(PciScan, CardSlots) == 252);
static_assert(sizeof(InterruptResult) == 12);

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(ResourceItem) == 28);
static_assert(offsetof(ResourceItem, Exclusive) == 4);
static_assert(offsetof(ResourceItem, Value0) == 8);
static_assert(offsetof(ResourceItem, Value2) == 16);
static_assert(offsetof(ResourceItem, Value3) == 20);
static_assert(offsetof(ResourceItem, Value4) == 24);
static_assert(sizeof(CardResources) == 564 && offsetof(CardResources, Items) == 4);
static_assert(sizeof(PciCardInfo) == 576 && offsetof(PciCardInfo, Card) == 12);
static_assert(sizeof(CardRegistration) == 708);
static_assert(offsetof(CardRegistration, Mode) == 564);
static_assert(offsetof(CardRegistration, CardHandle) == 568);
static_assert(offsetof(CardRegistration, Reserved) == 572);
static_assert(sizeof(PciConfigAccess) == 32);
static_assert(offsetof(PciConfigAccess, Buffer) == 12);
static_assert(offsetof(PciConfigAccess, Offset) == 16);
static_assert(offsetof(PciConfigAccess, ByteCount) == 20);
static_assert(offsetof(PciConfigAccess, ReadFlag) == 24);
static_assert(offsetof(PciConfigAccess, Reserved) == 28);
static_assert(sizeof(TransferCommand) == 24);
static_assert(offsetof(TransferCommand, Address) == 4);
static_assert(offsetof(TransferCommand, ByteCount) == 8);
static_assert(offsetof(TransferCommand, AutoIncrement) == 12);
static_assert(offsetof(TransferCommand, Options) == 16);
static_assert(offsetof(TransferCommand, Data) == 20);
static_assert(sizeof(InterruptRecord) == 48);
static_assert(offsetof(InterruptRecord, Options) == 4);
static_assert(offsetof(InterruptRecord, Commands) == 8);
static_assert(offsetof(InterruptRecord, CommandCount) == 12);
static_assert(offsetof(InterruptRecord, Reserved) == 16);
static_assert(offsetof(InterruptRecord, EnableOk) == 32);
static_assert(offsetof(InterruptRecord, Count) == 36);
static_assert(offsetof(InterruptRecord, Lost) == 40);
static_assert(offsetof(InterruptRecord, Stopped) == 44);
#elif UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
static_assert(sizeof(ResourceItem) == 40);
static_assert(offsetof(ResourceItem, Value0) == 8);
static_assert(offsetof(ResourceItem, Value2) == 16);
static_assert(offsetof(ResourceItem, Value3) == 24);
static_assert(offsetof(ResourceItem, Value4) == 32);
static_assert(sizeof(CardResources) == 808 && offsetof(CardResources, Items) == 8);
static_assert(sizeof(PciCardInfo) == 824 && offsetof(PciCardInfo, Card) == 16);
static_assert(sizeof(CardRegistration) == 952);
static_assert(offsetof(CardRegistration, Mode) == 808);
static_assert(offsetof(CardRegistration, CardHandle) == 812);
static_assert(sizeof(PciConfigAccess) == 40);
static_assert(offsetof(PciConfigAccess, Buffer) == 16);
static_assert(offsetof(PciConfigAccess, Offset) == 24);
static_assert(sizeof(TransferCommand) == 40);
static_assert(offsetof(TransferCommand, Address) == 8);
static_assert(offsetof(TransferCommand, ByteCount) == 16);
static_assert(offsetof(TransferCommand, Data) == 32);
static_assert(sizeof(InterruptRecord) == 56);
static_assert(offsetof(InterruptRecord, Commands) == 8);
static_assert(offsetof(InterruptRecord, CommandCount) == 16);
static_assert(offsetof(InterruptRecord, EnableOk) == 36);
static_assert(offsetof(InterruptRecord, Stopped) == 48);
#else
#error "unsupported pointer width"
#endif

}  // namespace lineio
