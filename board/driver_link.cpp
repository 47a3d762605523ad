// Opening the process's driver link and checking the driver's version.
#include <cstdio>

#include "board/board.h"
#include "board/driver_request.h"

namespace lineio {

std::uint32_t QueryDriverVersion(platform::OsHandle driver) {
  VersionQuery query{};
  SendRequest(driver, ReqDriverVersion, query);
  return query.Version;
}

std::uint32_t OpenDriverLink(platform::OsHandle& link) {
  link = platform::OpenDriverDevice();
  if (link == platform::InvalidOsHandle) {
    std::printf("%s", MsgCannotOpenDriver);
    return 0;
  }
  if (QueryDriverVersion(link) < MinimumDriverVersion) {
    std::printf("%s", MsgIncorrectVersion);
    platform::CloseOsHandle(link);
    link = platform::InvalidOsHandle;
    return 0;
  }
  return 1;
}

void ClearErrorText() { BoardLayer.ErrorText[0] = '\0'; }

void SetErrorText(const char* message) { std::snprintf(BoardLayer.ErrorText, ErrorTextBytes, "%s", message); }

}  // namespace lineio
