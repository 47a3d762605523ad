#include "tools/pcidiag/confirming_driver.h"

#include <cstdio>

#include "console/console_input.h"
#include "driver/records.h"
#include "platform/os.h"

namespace lineio::pcidiag {

namespace {

bool IsConfigWrite(std::uint32_t code, const void* record, std::uint32_t size) {
  return code == ReqPciConfig && size == sizeof(PciConfigAccess) &&
         static_cast<const PciConfigAccess*>(record)->ReadFlag == 0;
}

bool AskToWrite(const PciSlot& slot) {
  std::printf(
      "This writes to the configuration registers of the real card at bus %u slot %u function %u. "
      "Write it? (y/n): ",
      slot.Bus, slot.Slot, slot.Function);
  std::fflush(stdout);
  const std::optional<Answer> answer = ReadAnswerWord();
  const bool yes = answer && AnswerStartsWith(*answer, 'Y');
  if (!yes) std::printf("Nothing written.\n");
  return yes;
}

}  // namespace

platform::OsHandle ConfirmingDriver::Open() { return platform::os::OpenDriverDevice(); }

bool ConfirmingDriver::Request(platform::OsHandle handle, std::uint32_t code, void* record,
                               std::uint32_t size) {
  if (!confirmed_ && IsConfigWrite(code, record, size)) {
    if (!AskToWrite(static_cast<const PciConfigAccess*>(record)->Slot)) return false;
    confirmed_ = true;
  }
  return platform::os::DriverRequest(handle, code, record, size);
}

bool ConfirmingDriver::Close(platform::OsHandle handle) { return platform::os::CloseHandle(handle); }

}  // namespace lineio::pcidiag
