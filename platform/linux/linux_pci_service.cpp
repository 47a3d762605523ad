// The backend's handles, request dispatch, and the requests about the bus:
// version, scan, card information and configuration space.
#include "platform/linux/linux_pci_service.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "driver/transfer_commands.h"
#include "platform/linux/card_info.h"
#include "platform/linux/failure_lines.h"
#include "platform/linux/pci_scan.h"
#include "platform/linux/real_bus_guard.h"
#include "platform/linux/sysfs_files.h"
#include "platform/linux/vfio_device.h"

namespace lineio::platform::linuxpci {

namespace {

// What a caller without CAP_SYS_ADMIN may read of a configuration space.
constexpr std::uint32_t UnprivilegedConfigBytes = 64;
constexpr std::uint32_t MaxConfigBytes = 4;

bool IsCardRequest(std::uint32_t code) {
  switch (code) {
    case ReqRegisterCard:
    case ReqUnregisterCard:
    case ReqTransfer:
    case ReqEnableInterrupt:
    case ReqDisableInterrupt:
    case ReqWaitInterrupt: return true;
    default: return false;
  }
}

bool FillVersion(VersionQuery& query) {
  query.Version = DriverVersion;
  std::snprintf(query.Text, sizeof query.Text, "lineio Linux PCI backend (sysfs, uio_pci_generic)");
  return true;
}

bool IsConfigUnit(const PciConfigAccess& access) {
  const std::uint32_t bytes = access.ByteCount;
  return access.Buffer != nullptr && (bytes == 1 || bytes == 2 || bytes == MaxConfigBytes) &&
         access.Offset % bytes == 0;
}

void ReportShortConfigAccess(const PciConfigAccess& access, const std::string& path, ssize_t moved) {
  const char* direction = access.ReadFlag != 0 ? "read" : "write";
  if (moved < 0) {
    ReportFailure("configuration %s at 0x%x of %s failed: %s", direction, access.Offset, path.c_str(),
                  OpenFailureReason(errno).c_str());
  } else if (access.ReadFlag != 0 && access.Offset >= UnprivilegedConfigBytes) {
    ReportFailure(
        "configuration read at 0x%x of %s came back short: without root the kernel shows only "
        "the first %u bytes",
        access.Offset, path.c_str(), UnprivilegedConfigBytes);
  } else {
    ReportFailure("configuration %s at 0x%x of %s moved %zd of %u bytes", direction, access.Offset,
                  path.c_str(), moved, access.ByteCount);
  }
}

// Configuration space of a card held through VFIO: through its device's
// configuration region, which the kernel serves also under lockdown.
bool VfioConfig(const VfioDevice& device, PciConfigAccess& access) {
  const bool reading = access.ReadFlag != 0;
  std::uint8_t bytes[MaxConfigBytes] = {};
  if (!reading) std::memcpy(bytes, access.Buffer, access.ByteCount);
  const bool moved = reading ? device.ReadConfig(access.Offset, bytes, access.ByteCount)
                             : device.WriteConfig(access.Offset, bytes, access.ByteCount);
  if (!moved) {
    ReportFailure("configuration %s at 0x%x of %s through VFIO failed: %s", reading ? "read" : "write",
                  access.Offset, device.Name().c_str(), std::strerror(errno));
    return false;
  }
  if (reading) std::memcpy(access.Buffer, bytes, access.ByteCount);
  return true;
}

}  // namespace

LinuxPciService::LinuxPciService(Roots roots)
    : roots_(std::move(roots)), devices_(DevicesDirectory(roots_)) {}

LinuxPciService::~LinuxPciService() {
  std::map<OsHandle, CardList> handles;
  {
    std::lock_guard guard(lock_);
    handles.swap(handles_);
    for (const auto& [handle, cards] : handles) StopInterrupts(cards);
  }
}

OsHandle LinuxPciService::Open() {
  if (access(devices_.c_str(), R_OK | X_OK) != 0) return InvalidOsHandle;
  std::lock_guard guard(lock_);
  const OsHandle handle = nextHandle_++;
  handles_[handle];
  return handle;
}

bool LinuxPciService::Close(OsHandle handle) {
  CardList released;
  {
    std::lock_guard guard(lock_);
    const auto found = handles_.find(handle);
    if (found == handles_.end()) return false;
    released.swap(found->second);
    handles_.erase(found);
    StopInterrupts(released);
  }
  return true;  // the cards are released here, outside the lock
}

int LinuxPciService::OpenHandles() const {
  std::lock_guard guard(lock_);
  return static_cast<int>(handles_.size());
}

int LinuxPciService::HeldCards() const {
  std::lock_guard guard(lock_);
  std::size_t held = 0;
  for (const auto& [handle, cards] : handles_) held += cards.size();
  return static_cast<int>(held);
}

// The requests about registered cards find the handle's cards under the lock
// themselves (a transfer in the same hold of the lock as its access, which is
// the hot path); the others only need the handle to be open.
bool LinuxPciService::Request(OsHandle handle, std::uint32_t code, void* record, std::uint32_t size) {
  if (record == nullptr || size == 0 || size != RequestRecordSize(code)) return false;
  if (!IsCardRequest(code)) {
    std::lock_guard guard(lock_);
    if (handles_.count(handle) == 0) return false;
  }
  return Serve(handle, code, record);
}

bool LinuxPciService::Serve(OsHandle handle, std::uint32_t code, void* record) {
  switch (code) {
    case ReqDriverVersion: return FillVersion(*static_cast<VersionQuery*>(record));
    case ReqScanPciCards: return ScanPciCards(*static_cast<PciScan*>(record));
    case ReqPciCardInfo: return CardInfo(*static_cast<PciCardInfo*>(record));
    case ReqRegisterCard: return RegisterCard(handle, *static_cast<CardRegistration*>(record));
    case ReqUnregisterCard: return UnregisterCard(handle, *static_cast<CardRegistration*>(record));
    case ReqPciConfig: return PciConfig(*static_cast<PciConfigAccess*>(record));
    case ReqTransfer: return Transfer(handle, *static_cast<TransferCommand*>(record));
    case ReqEnableInterrupt: return EnableInterrupt(handle, *static_cast<InterruptRecord*>(record));
    case ReqDisableInterrupt: return DisableInterrupt(handle, *static_cast<InterruptRecord*>(record));
    case ReqWaitInterrupt: return WaitInterrupt(handle, *static_cast<InterruptRecord*>(record));
    default: return false;
  }
}

bool LinuxPciService::ScanPciCards(PciScan& scan) const {
  FillScan(scan, ListFunctions(devices_));
  return true;
}

bool LinuxPciService::CardInfo(PciCardInfo& info) const {
  const std::optional<PciAddress> address = AddressOf(info.Slot);
  if (!address) return false;
  return DescribeFunction(devices_, *address, info.Card);
}

std::shared_ptr<HeldCard> LinuxPciService::VfioCardAt(const PciAddress& address) const {
  std::lock_guard guard(lock_);
  for (const auto& [handle, cards] : handles_) {
    for (const auto& card : cards) {
      if (card->Vfio && card->Address == address) return card;
    }
  }
  return nullptr;
}

// A card that this service holds through VFIO is reached through its device;
// any other through its `config` file. A short read or write is a refused request: the caller's buffer keeps
// what it held, never a made-up value.
bool LinuxPciService::PciConfig(PciConfigAccess& access) const {
  const std::optional<PciAddress> address = AddressOf(access.Slot);
  if (!address || !IsConfigUnit(access)) return false;
  if (const std::shared_ptr<HeldCard> card = VfioCardAt(*address)) return VfioConfig(*card->Vfio, access);
  const std::string directory = FunctionDirectory(devices_, *address);
  const bool reading = access.ReadFlag != 0;
  if (!reading && RefusedOnRealBus(directory, "configuration write")) return false;
  const std::string path = directory + "/config";
  int openError = 0;
  const int fd = OpenRegularFile(path, reading ? O_RDONLY : O_WRONLY, openError);
  if (fd < 0) {
    ReportFailure("cannot open %s: %s", path.c_str(), OpenFailureReason(openError).c_str());
    return false;
  }
  std::uint8_t bytes[MaxConfigBytes] = {};
  if (!reading) std::memcpy(bytes, access.Buffer, access.ByteCount);
  // Nothing past the end of the space: the kernel would move nothing there.
  struct stat info {};
  const bool inside =
      fstat(fd, &info) == 0 && info.st_size >= 0 &&
      std::uint64_t{access.Offset} + access.ByteCount <= static_cast<std::uint64_t>(info.st_size);
  const ssize_t moved = !inside   ? 0
                        : reading ? pread(fd, bytes, access.ByteCount, access.Offset)
                                  : pwrite(fd, bytes, access.ByteCount, access.Offset);
  const int error = errno;
  close(fd);
  if (moved != static_cast<ssize_t>(access.ByteCount)) {
    errno = error;
    ReportShortConfigAccess(access, path, moved);
    return false;
  }
  if (reading) std::memcpy(access.Buffer, bytes, access.ByteCount);
  return true;
}

}  // namespace lineio::platform::linuxpci
