// Handles, request guards, injected failures and counters of the simulated driver.
#include <array>
#include <cstring>

#include "platform/driver_service.h"
#include "tests/sim/driver_test_support.h"

namespace lineio::sim {
namespace {

struct CodeSize {
  const char* Name;
  std::uint32_t Code;
  std::uint32_t Size;
};

constexpr std::array<CodeSize, 10> Requests = {{
    {"version", ReqDriverVersion, sizeof(VersionQuery)},
    {"scan", ReqScanPciCards, sizeof(PciScan)},
    {"card info", ReqPciCardInfo, sizeof(PciCardInfo)},
    {"register", ReqRegisterCard, sizeof(CardRegistration)},
    {"unregister", ReqUnregisterCard, sizeof(CardRegistration)},
    {"config", ReqPciConfig, sizeof(PciConfigAccess)},
    {"transfer", ReqTransfer, sizeof(TransferCommand)},
    {"enable interrupt", ReqEnableInterrupt, sizeof(InterruptRecord)},
    {"disable interrupt", ReqDisableInterrupt, sizeof(InterruptRecord)},
    {"wait interrupt", ReqWaitInterrupt, sizeof(InterruptRecord)},
}};

using SimDriverRequestsTest = DriverTest;

TEST_F(SimDriverRequestsTest, RefusedRequestsLeaveTheRecordUntouched) {
  const platform::OsHandle unknown = handle_ + 1000;
  for (const auto& r : Requests) {
    driver_.FailRequests(r.Code);
    struct Attempt {
      const char* What;
      platform::OsHandle Handle;
      std::uint32_t Size;
    };
    const Attempt attempts[] = {
        {"unknown handle", unknown, r.Size},   {"invalid handle", platform::InvalidOsHandle, r.Size},
        {"short record", handle_, r.Size - 1}, {"long record", handle_, r.Size + 4},
        {"injected failure", handle_, r.Size},
    };
    for (const auto& a : attempts) {
      PatternRecord record(r.Size + 4);
      EXPECT_FALSE(driver_.Request(a.Handle, r.Code, record.Bytes.data(), a.Size))
          << r.Name << ": " << a.What;
      EXPECT_TRUE(record.Untouched()) << r.Name << ": " << a.What;
    }
    EXPECT_EQ(driver_.RequestCount(r.Code), std::size(attempts)) << r.Name;
  }
  EXPECT_EQ(driver_.Registrations(), 0);
  EXPECT_TRUE(driver_.Trace().empty());
}

TEST_F(SimDriverRequestsTest, UnknownCodeFails) {
  PatternRecord record(64);
  EXPECT_FALSE(driver_.Request(handle_, 0x95382400, record.Bytes.data(), 64));
  EXPECT_TRUE(record.Untouched());
}

TEST_F(SimDriverRequestsTest, InjectedFailuresAreConsumedOneByOne) {
  driver_.FailRequests(ReqDriverVersion, 2);
  std::array<bool, 4> results{};
  for (bool& result : results) {
    VersionQuery query{};
    result = Send(ReqDriverVersion, query) && query.Version == SimulatedDriverVersion;
  }
  EXPECT_EQ(results, (std::array<bool, 4>{false, false, true, true}));

  driver_.FailRequests(ReqDriverVersion);
  VersionQuery query{};
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(Send(ReqDriverVersion, query));
  driver_.FailRequests(ReqDriverVersion, 0);
  EXPECT_TRUE(Send(ReqDriverVersion, query));

  // Other codes are not affected.
  driver_.FailRequests(ReqTransfer);
  PciScan scan{};
  EXPECT_TRUE(Send(ReqScanPciCards, scan));
}

TEST_F(SimDriverRequestsTest, VersionIsReportedWithText) {
  driver_.SetVersion(399);
  VersionQuery query{};
  ASSERT_TRUE(Send(ReqDriverVersion, query));
  EXPECT_EQ(query.Version, 399u);
  EXPECT_NE(std::memchr(query.Text, '\0', sizeof query.Text), nullptr);
  EXPECT_GT(std::strlen(query.Text), 0u);
}

TEST_F(SimDriverRequestsTest, HandlesAreDistinctAndCounted) {
  EXPECT_EQ(driver_.OpenHandles(), 1);
  const platform::OsHandle second = Service().Open();
  for (platform::OsHandle h : {handle_, second}) {
    EXPECT_NE(h, platform::NoHandle);
    EXPECT_NE(h, platform::InvalidOsHandle);
  }
  EXPECT_NE(second, handle_);
  EXPECT_EQ(driver_.OpenHandles(), 2);

  driver_.SetDeviceMissing(true);
  EXPECT_EQ(Service().Open(), platform::InvalidOsHandle);
  EXPECT_EQ(driver_.OpenHandles(), 2);
  driver_.SetDeviceMissing(false);

  EXPECT_TRUE(Service().Close(second));
  EXPECT_FALSE(Service().Close(second));
  EXPECT_EQ(driver_.OpenHandles(), 1);
  VersionQuery query{};
  EXPECT_FALSE(Send(second, ReqDriverVersion, query));
  EXPECT_EQ(query.Version, 0u);
}

TEST_F(SimDriverRequestsTest, RegistrationOutlivesItsHandleSoLeaksShow) {
  CardRegistration registration = RegistrationFor(cards_.Kestrel);
  ASSERT_TRUE(Send(ReqRegisterCard, registration));
  ASSERT_NE(registration.CardHandle, 0u);
  EXPECT_TRUE(Service().Close(handle_));
  EXPECT_EQ(driver_.OpenHandles(), 0);
  EXPECT_EQ(driver_.Registrations(), 1);
  EXPECT_TRUE(driver_.IsRegistered(cards_.Kestrel));
}

TEST_F(SimDriverRequestsTest, EveryRequestIsCountedByCode) {
  VersionQuery query{};
  PciScan scan{};
  Send(ReqDriverVersion, query);
  Send(ReqScanPciCards, scan);
  Send(ReqScanPciCards, scan);
  Send(handle_ + 1, ReqScanPciCards, scan);  // refused, still counted
  EXPECT_EQ(driver_.RequestCount(ReqDriverVersion), 1u);
  EXPECT_EQ(driver_.RequestCount(ReqScanPciCards), 3u);
  EXPECT_EQ(driver_.RequestCount(ReqTransfer), 0u);
  EXPECT_EQ(driver_.TotalRequests(), 4u);
}

TEST(SimDriverInstallTest, InstallsAndUninstallsItself) {
  SimBus bus;
  {
    SimulatedDriver driver(bus);
    driver.Install();
    EXPECT_EQ(platform::InstalledDriverService(), &driver);
    driver.Uninstall();
    EXPECT_EQ(platform::InstalledDriverService(), nullptr);
    driver.Install();
  }
  EXPECT_EQ(platform::InstalledDriverService(), nullptr);
}

}  // namespace
}  // namespace lineio::sim
