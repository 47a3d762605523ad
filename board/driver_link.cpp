// Opening the process's driver link and checking the driver's version.
#include <cstdio>

#include "board/board.h"
#include "board/driver_request.h"
#include "board/open_failure.h"

namespace lineio {

std::uint32_t QueryDriverVersion(platform::OsHandle driver) {
  VersionQuery query{};
  SendRequest(driver, ReqDriverVersion, query);
  return query.Version;
}

platform::OsHandle OpenCheckedDriver(const char*& failure) {
  const platform::OsHandle driver = platform::OpenDriverDevice();
  if (driver == platform::InvalidOsHandle) {
    failure = MsgCannotOpenDriver;
    return driver;
  }
  if (QueryDriverVersion(driver) < MinimumDriverVersion) {
    failure = MsgIncorrectVersion;
    platform::CloseOsHandle(driver);
    return platform::InvalidOsHandle;
  }
  return driver;
}

std::uint32_t OpenDriverLink(platform::OsHandle& link) {
  const char* failure = nullptr;
  link = OpenCheckedDriver(failure);
  if (link == platform::InvalidOsHandle) {
    FailOpen(failure);
    return 0;
  }
  return 1;
}

void ClearErrorText() { processState.Board.ErrorText[0] = '\0'; }

void SetErrorText(const char* message) {
  std::snprintf(processState.Board.ErrorText, ErrorTextBytes, "%s", message);
}

}  // namespace lineio
