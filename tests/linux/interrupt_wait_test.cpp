// The wait that both interrupt paths block in (uio and VFIO): it ends when
// its descriptor becomes readable or its stop event is written, and a signal
// that interrupts it (EINTR, as a host's own signal handler causes) does not
// end it.
#include <gtest/gtest.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "platform/linux/interrupt_wait.h"

namespace lineio::testing {
namespace {

using platform::linuxpci::AwaitReadable;
using platform::linuxpci::Readiness;
using platform::linuxpci::SignalStop;

constexpr auto Patience = std::chrono::seconds(10);

std::atomic<int> signalsTaken{0};
void TakeSignal(int) { signalsTaken.fetch_add(1); }

struct Events {
  int Event = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  int Stop = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  ~Events() {
    close(Event);
    close(Stop);
  }
  void Signal() const {
    const std::uint64_t one = 1;
    ASSERT_EQ(write(Event, &one, sizeof one), static_cast<ssize_t>(sizeof one));
  }
};

TEST(AwaitReadableTest, EndsReadableOrStoppedWhicheverComesAndStopWins) {
  struct Case {
    const char* Name;
    bool Event;
    bool Stop;
    Readiness Expected;
  };
  const Case cases[] = {
      {"the event", true, false, Readiness::Readable},
      {"the stop", false, true, Readiness::Stopped},
      {"both: the stop", true, true, Readiness::Stopped},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Events events;
    if (c.Event) events.Signal();
    if (c.Stop) SignalStop(events.Stop);
    short seen = 0;
    EXPECT_EQ(AwaitReadable(events.Event, events.Stop, seen), c.Expected);
    if (c.Expected == Readiness::Readable) {
      EXPECT_NE(seen & POLLIN, 0);
    }
  }
}

TEST(AwaitReadableTest, ASignalThatInterruptsTheWaitDoesNotEndIt) {
  struct sigaction action {};
  action.sa_handler = TakeSignal;  // no SA_RESTART: poll ends with EINTR
  sigemptyset(&action.sa_mask);
  struct sigaction previous {};
  ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);
  Events events;
  std::promise<pthread_t> started;
  auto waited = std::async(std::launch::async, [&] {
    started.set_value(pthread_self());
    short seen = 0;
    return AwaitReadable(events.Event, events.Stop, seen);
  });
  const pthread_t waiter = started.get_future().get();
  const int before = signalsTaken.load();
  for (int i = 0; i < 5; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    pthread_kill(waiter, SIGUSR1);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(waited.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout)
      << "an interrupted wait ended";
  events.Signal();
  ASSERT_EQ(waited.wait_for(Patience), std::future_status::ready);
  EXPECT_EQ(waited.get(), Readiness::Readable);
  EXPECT_GT(signalsTaken.load(), before);
  sigaction(SIGUSR1, &previous, nullptr);
}

}  // namespace
}  // namespace lineio::testing
