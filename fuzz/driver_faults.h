// Driver faults named by one input byte, injected into the simulated driver:
//   bits 0-3  0: none; 1-10: the next failures of one request (in the order of
//             DriverRequests below), which then fails leaving its record
//             untouched; 11-15: a driver older than the library accepts
//   bits 4-7  how many of those requests fail, 0 for every one
#pragma once

#include <cstdint>

#include "driver/records.h"
#include "sim/simulated_driver.h"

namespace lineio::fuzz {

inline constexpr std::uint32_t DriverRequests[] = {
    ReqDriverVersion, ReqScanPciCards, ReqPciCardInfo,     ReqRegisterCard,     ReqUnregisterCard,
    ReqPciConfig,     ReqTransfer,     ReqEnableInterrupt, ReqDisableInterrupt, ReqWaitInterrupt,
};
inline constexpr std::uint8_t FaultRequestMask = 0x0F;
inline constexpr int FaultCountShift = 4;
inline constexpr std::size_t DriverRequestCount = sizeof DriverRequests / sizeof DriverRequests[0];

// Gives the request made to fail, 0 when none is.
inline std::uint32_t InjectDriverFaults(sim::SimulatedDriver& driver, std::uint8_t faults) {
  const std::uint8_t choice = faults & FaultRequestMask;
  if (choice == 0) return 0;
  if (choice > DriverRequestCount) {
    driver.SetVersion(MinimumDriverVersion - 1);
    return 0;
  }
  const int count = faults >> FaultCountShift;
  const std::uint32_t request = DriverRequests[choice - 1];
  driver.FailRequests(request, count == 0 ? -1 : count);
  return request;
}

}  // namespace lineio::fuzz
