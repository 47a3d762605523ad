// Sending one request with its record: the record's full size goes with it.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace lineio {

template <typename Record>
bool SendRequest(platform::OsHandle driver, std::uint32_t code, Record& record) {
  return platform::DriverRequest(driver, code, &record, static_cast<std::uint32_t>(sizeof record));
}

}  // namespace lineio
