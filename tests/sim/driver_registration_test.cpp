// Registration and locking of cards by the simulated driver.
#include <cstring>
#include <memory>

#include "tests/sim/driver_test_support.h"

namespace lineio::sim {
namespace {

using SimDriverRegistrationTest = DriverTest;

TEST_F(SimDriverRegistrationTest, SecondRegistrationIsRefusedUntilTheFirstIsReleased) {
  const platform::OsHandle other = Service().Open();
  CardRegistration first = RegistrationFor(cards_.Kestrel);
  CardRegistration second = first;
  CardRegistration again = first;

  ASSERT_TRUE(Send(ReqRegisterCard, first));
  EXPECT_NE(first.CardHandle, 0u);
  EXPECT_TRUE(Send(other, ReqRegisterCard, second));
  EXPECT_EQ(second.CardHandle, 0u);
  EXPECT_TRUE(Send(ReqRegisterCard, again));  // the holder itself is refused too
  EXPECT_EQ(again.CardHandle, 0u);
  EXPECT_EQ(driver_.Registrations(), 1);

  EXPECT_FALSE(Send(other, ReqUnregisterCard, second));  // card handle 0 names nothing
  EXPECT_TRUE(Send(ReqUnregisterCard, first));
  EXPECT_FALSE(Send(ReqUnregisterCard, first));
  EXPECT_EQ(driver_.Registrations(), 0);

  ASSERT_TRUE(Send(other, ReqRegisterCard, second));
  EXPECT_NE(second.CardHandle, 0u);
  EXPECT_NE(second.CardHandle, first.CardHandle);
  EXPECT_TRUE(driver_.IsRegistered(cards_.Kestrel));
  EXPECT_FALSE(driver_.IsRegistered(cards_.Merlin));
}

TEST_F(SimDriverRegistrationTest, CardLockedByAnotherUserIsRefused) {
  driver_.LockByAnotherUser(cards_.Kestrel);
  CardRegistration registration = RegistrationFor(cards_.Kestrel);
  registration.CardHandle = 77;  // whatever was there, a refusal says 0
  ASSERT_TRUE(Send(ReqRegisterCard, registration));
  EXPECT_EQ(registration.CardHandle, 0u);
  EXPECT_EQ(registration.Card.Items[0].Value2, 0u);  // no interrupt handle either

  CardRegistration merlin = RegistrationFor(cards_.Merlin);
  ASSERT_TRUE(Send(ReqRegisterCard, merlin));
  EXPECT_NE(merlin.CardHandle, 0u);

  driver_.LockByAnotherUser(cards_.Kestrel, false);
  ASSERT_TRUE(Send(ReqRegisterCard, registration));
  EXPECT_NE(registration.CardHandle, 0u);
}

// The resource list names the card by location, range base or interrupt line.
TEST_F(SimDriverRegistrationTest, FindsTheCardThatTheResourcesName) {
  const PciSlot merlin = bus_.SlotOf(cards_.Merlin);
  struct Case {
    const char* Name;
    ResourceItem Item;
    int Card;  // -1: refused
  };
  const Case cases[] = {
      {"bus item", {ItemBus, 0, PciBusType, merlin.Bus, merlin.Slot, 0, 0}, cards_.Merlin},
      {"I/O base", {ItemIo, 0, BoardIoBase, BoardIoLength, 0, 0, 0}, cards_.Kestrel},
      {"memory base", {ItemMemory, 0, 0xFEBC0000, 0x20000, 0, 0, 0}, cards_.Network},
      {"interrupt line", {ItemInterrupt, 0, BoardInterruptLine, 0, 0, 0, 0}, cards_.Kestrel},
      {"empty slot", {ItemBus, 0, PciBusType, 0, 31, 0, 0}, -1},
      {"I/O base nobody has", {ItemIo, 0, 0x9000, 0x10, 0, 0, 0}, -1},
      {"memory base given as I/O", {ItemIo, 0, 0xFEBC0000, 0x20000, 0, 0, 0}, -1},
      {"no item", {ItemNone, 0, BoardIoBase, 0, 0, 0, 0}, -1},
  };
  for (const auto& c : cases) {
    CardRegistration registration{};
    registration.Card.ItemCount = 1;
    registration.Card.Items[0] = c.Item;
    ASSERT_TRUE(Send(ReqRegisterCard, registration)) << c.Name;
    for (int card = 0; card < bus_.CardCount(); ++card) {
      EXPECT_EQ(driver_.IsRegistered(card), card == c.Card) << c.Name << " card " << card;
    }
    EXPECT_EQ(registration.CardHandle != 0, c.Card >= 0) << c.Name;
    if (registration.CardHandle != 0) Send(ReqUnregisterCard, registration);
  }
}

// Two functions of one device share bus and slot: the bus item's function
// tells them apart, and the registered one is the one whose ranges are mapped.
TEST_F(SimDriverRegistrationTest, FindsTheFunctionThatTheBusItemNames) {
  const PciSlot merlin = bus_.SlotOf(cards_.Merlin);
  auto second = std::make_unique<SimCard>(0x136C, 0xA036);
  second->AddMemoryRange(0, 0xE8000000, 0x1000);
  second->AddLocationItem();
  bus_.AddCard(std::move(second), PciSlot{merlin.Bus, merlin.Slot, 3});
  const int secondIndex = bus_.CardCount() - 1;

  CardRegistration registration = RegistrationFor(secondIndex);
  ASSERT_EQ(registration.Card.Items[1].Type, ItemBus);
  EXPECT_EQ(registration.Card.Items[1].Value4, 3u);
  ASSERT_TRUE(Send(ReqRegisterCard, registration));
  EXPECT_TRUE(driver_.IsRegistered(secondIndex));
  EXPECT_FALSE(driver_.IsRegistered(cards_.Merlin));
  EXPECT_EQ(registration.Card.Items[0].Value3,
            reinterpret_cast<std::uintptr_t>(bus_.Card(secondIndex).MemoryOf(0)));
  ASSERT_TRUE(Send(ReqUnregisterCard, registration));

  CardRegistration first = RegistrationFor(cards_.Merlin);
  ASSERT_TRUE(Send(ReqRegisterCard, first));
  EXPECT_TRUE(driver_.IsRegistered(cards_.Merlin));
  EXPECT_FALSE(driver_.IsRegistered(secondIndex));
}

TEST_F(SimDriverRegistrationTest, ItemsBeyondTheCountAreNotRead) {
  CardRegistration registration = RegistrationFor(cards_.Kestrel);
  registration.Card.ItemCount = 0;
  ASSERT_TRUE(Send(ReqRegisterCard, registration));
  EXPECT_EQ(registration.CardHandle, 0u);
}

TEST_F(SimDriverRegistrationTest, MemoryItemsGetUsableAddressesAndInterruptsAHandle) {
  CardRegistration registration = RegistrationFor(cards_.Network);
  ASSERT_TRUE(Send(ReqRegisterCard, registration));
  ASSERT_NE(registration.CardHandle, 0u);
  const ResourceItem& memory = registration.Card.Items[0];
  const ResourceItem& interrupt = registration.Card.Items[1];
  ASSERT_EQ(memory.Type, ItemMemory);
  ASSERT_EQ(interrupt.Type, ItemInterrupt);
  EXPECT_NE(interrupt.Value2, 0u);

  std::uint8_t* card = bus_.Card(cards_.Network).MemoryOf(0);
  EXPECT_EQ(memory.Value3, reinterpret_cast<std::uintptr_t>(card));
  EXPECT_EQ(memory.Value2, memory.Value3);

  // A store through the process mapping is what the card holds, and a transfer
  // through the driver's address reads it back.
  const std::uint32_t stored = 0xCAFEF00D;
  std::memcpy(reinterpret_cast<std::uint8_t*>(memory.Value3) + 0x40, &stored, sizeof stored);
  std::uint32_t read = 0;
  TransferCommand command{
      MemReadDwords, memory.Value2 + 0x40, 4, 1, 0, reinterpret_cast<std::uintptr_t>(&read)};
  ASSERT_TRUE(Send(ReqTransfer, command));
  EXPECT_EQ(read, stored);
  EXPECT_EQ(card[0x40], 0x0D);
}

TEST_F(SimDriverRegistrationTest, InterruptHandlesDifferBetweenRegistrations) {
  CardRegistration kestrel = RegistrationFor(cards_.Kestrel);
  CardRegistration merlin = RegistrationFor(cards_.Merlin);
  ASSERT_TRUE(Send(ReqRegisterCard, kestrel));
  ASSERT_TRUE(Send(ReqRegisterCard, merlin));
  EXPECT_NE(kestrel.Card.Items[0].Value2, 0u);
  EXPECT_NE(merlin.Card.Items[0].Value2, 0u);
  EXPECT_NE(kestrel.Card.Items[0].Value2, merlin.Card.Items[0].Value2);
  EXPECT_EQ(driver_.Registrations(), 2);
}

}  // namespace
}  // namespace lineio::sim
