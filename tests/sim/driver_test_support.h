// A simulated driver on the default bus with one open handle, and helpers that
// send the real records through the driver service interface.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "sim/default_bus.h"
#include "sim/simulated_driver.h"

namespace lineio::sim {

class DriverTest : public ::testing::Test {
 protected:
  DriverTest() : cards_(PopulateDefaultBus(bus_)) {}

  template <typename Record>
  bool Send(std::uint32_t code, Record& record) {
    return Send(handle_, code, record);
  }
  template <typename Record>
  bool Send(platform::OsHandle handle, std::uint32_t code, Record& record) {
    return Service().Request(handle, code, &record, sizeof record);
  }
  platform::DriverService& Service() { return driver_; }

  PciCardInfo CardInfo(int card) {
    PciCardInfo info{};
    info.Slot = bus_.SlotOf(card);
    EXPECT_TRUE(Send(ReqPciCardInfo, info));
    return info;
  }
  // The card's resources, as the library would register them.
  CardRegistration RegistrationFor(int card) {
    CardRegistration registration{};
    registration.Card = CardInfo(card).Card;
    return registration;
  }

  SimBus bus_;
  DefaultBusCards cards_;
  SimulatedDriver driver_{bus_};
  platform::OsHandle handle_ = Service().Open();
};

// A record-sized buffer filled with a pattern, to prove that a request left it alone.
struct PatternRecord {
  explicit PatternRecord(std::size_t size) : Bytes(size, 0xA5), Copy(size, 0xA5) {}
  bool Untouched() const { return std::memcmp(Bytes.data(), Copy.data(), Bytes.size()) == 0; }
  std::vector<std::uint8_t> Bytes;
  std::vector<std::uint8_t> Copy;
};

}  // namespace lineio::sim
