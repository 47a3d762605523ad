// The simulated driver's interrupts, driven with the real records: enabling,
// raising, counting, waiting on one thread and disabling from another.
#include <gtest/gtest.h>

#include <thread>

#include "tests/interrupts/interrupt_cards.h"
#include "tests/sim/driver_test_support.h"

namespace lineio::sim {
namespace {

class DriverInterruptsTest : public DriverTest {
 protected:
  DriverInterruptsTest() {
    card_ = bus_.CardCount();
    bus_.AddCard(testing::MakeInterruptCard(testing::RangeKind::Io));
    registration_ = RegistrationFor(card_);
    EXPECT_TRUE(Send(ReqRegisterCard, registration_));
    for (std::uint32_t i = 0; i < ItemsIn(registration_.Card); ++i) {
      const ResourceItem& item = registration_.Card.Items[i];
      if (item.Type == ItemInterrupt) record_.Handle = static_cast<std::uint32_t>(item.Value2);
    }
    command_.Command = PortWriteDword;
    command_.Address = testing::InterruptCardIoBase + 4;
    command_.Data = 0x5A5A5A5A;
    record_.Commands = &command_;
    record_.CommandCount = 1;
  }
  // Polls until the driver has a wait blocked (the wait gives no other sign).
  void UntilWaiting(int waits) {
    while (driver_.PendingWaits() < waits) std::this_thread::yield();
  }

  int card_ = -1;
  CardRegistration registration_{};
  TransferCommand command_{};
  InterruptRecord record_{};
};

TEST_F(DriverInterruptsTest, EnableNeedsTheHandleOfARegisteredInterrupt) {
  struct Case {
    const char* Name;
    std::uint32_t Handle;
    bool Enabled;
  };
  const Case cases[] = {
      {"no handle", 0, false},
      {"unknown handle", 0x7777, false},
      {"registered handle", record_.Handle, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    InterruptRecord record = record_;
    record.Handle = c.Handle;
    EXPECT_EQ(Send(ReqEnableInterrupt, record), c.Enabled);
    EXPECT_EQ(record.EnableOk != 0, c.Enabled);
  }
  InterruptRecord again = record_;
  EXPECT_FALSE(Send(ReqEnableInterrupt, again));  // already enabled
  EXPECT_EQ(again.EnableOk, 0u);
  EXPECT_TRUE(driver_.Interrupts(card_).Enabled);
}

TEST_F(DriverInterruptsTest, RaisedInterruptsPerformTheCommandAndAreCounted) {
  EXPECT_EQ(driver_.RaiseInterrupt(card_, 3), 0);  // masked: nothing happens
  EXPECT_EQ(driver_.Interrupts(card_).Received, 0u);
  EXPECT_TRUE(driver_.Trace().empty());

  ASSERT_TRUE(Send(ReqEnableInterrupt, record_));
  command_.Data = 0;  // the driver copied the list at enable
  EXPECT_EQ(driver_.RaiseInterrupt(card_, 3), 3);
  EXPECT_EQ(bus_.Card(card_).IoRead(0, 4, 4), 0x5A5A5A5Au);
  const RegisterAccess write{AccessDirection::Write, 4, card_, 0, 4, 0x5A5A5A5A};
  EXPECT_EQ(driver_.Trace(), (std::vector<RegisterAccess>{write, write, write}));

  // One wait takes the pending interrupt; the two behind it were lost.
  ASSERT_TRUE(Send(ReqWaitInterrupt, record_));
  EXPECT_EQ(record_.Count, 3u);
  EXPECT_EQ(record_.Lost, 2u);
  EXPECT_EQ(record_.Stopped, 0u);
  const SimulatedDriver::InterruptCounters counters = driver_.Interrupts(card_);
  EXPECT_EQ(counters.Received, 3u);
  EXPECT_EQ(counters.Lost, 2u);
}

TEST_F(DriverInterruptsTest, WaitOnADisabledInterruptReturnsStopped) {
  ASSERT_TRUE(Send(ReqWaitInterrupt, record_));  // never enabled
  EXPECT_NE(record_.Stopped, 0u);
  ASSERT_TRUE(Send(ReqEnableInterrupt, record_));
  ASSERT_TRUE(driver_.RaiseInterrupt(card_));
  ASSERT_TRUE(Send(ReqDisableInterrupt, record_));
  // The interrupt pending at the disable is not handed out.
  ASSERT_TRUE(Send(ReqWaitInterrupt, record_));
  EXPECT_NE(record_.Stopped, 0u);
  EXPECT_EQ(record_.Count, 1u);
  EXPECT_FALSE(Send(ReqDisableInterrupt, record_));  // nothing left to disable
}

TEST_F(DriverInterruptsTest, DisableFromAnotherThreadReleasesAPendingWait) {
  ASSERT_TRUE(Send(ReqEnableInterrupt, record_));
  InterruptRecord waited = record_;
  std::thread waiter([&] { Send(ReqWaitInterrupt, waited); });
  UntilWaiting(1);

  // While the wait blocks, the same handle serves other requests.
  std::uint32_t value = 0;
  TransferCommand read{
      PortReadDwords, testing::InterruptCardIoBase, 4, 1, 0, reinterpret_cast<std::uintptr_t>(&value)};
  EXPECT_TRUE(Send(ReqTransfer, read));

  ASSERT_TRUE(Send(ReqDisableInterrupt, record_));
  waiter.join();
  EXPECT_NE(waited.Stopped, 0u);
  EXPECT_EQ(waited.Count, 0u);
  EXPECT_EQ(driver_.PendingWaits(), 0);
}

TEST_F(DriverInterruptsTest, RaiseWakesABlockedWait) {
  ASSERT_TRUE(Send(ReqEnableInterrupt, record_));
  InterruptRecord waited = record_;
  std::thread waiter([&] { Send(ReqWaitInterrupt, waited); });
  UntilWaiting(1);
  EXPECT_EQ(driver_.RaiseInterrupt(card_), 1);
  waiter.join();
  EXPECT_EQ(waited.Stopped, 0u);
  EXPECT_EQ(waited.Count, 1u);
  EXPECT_EQ(waited.Lost, 0u);
}

TEST_F(DriverInterruptsTest, UnregisteringTakesTheInterruptAlong) {
  ASSERT_TRUE(Send(ReqEnableInterrupt, record_));
  InterruptRecord waited = record_;
  std::thread waiter([&] { Send(ReqWaitInterrupt, waited); });
  UntilWaiting(1);
  ASSERT_TRUE(Send(ReqUnregisterCard, registration_));
  waiter.join();
  EXPECT_NE(waited.Stopped, 0u);
  EXPECT_EQ(driver_.UnregisteredWithInterruptEnabled(), 1);
  EXPECT_EQ(driver_.RaiseInterrupt(card_), 0);
  EXPECT_FALSE(Send(ReqEnableInterrupt, record_));  // the handle died with the registration
  EXPECT_EQ(driver_.PendingWaits(), 0);
}

}  // namespace
}  // namespace lineio::sim
