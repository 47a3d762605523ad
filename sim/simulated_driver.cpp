// The simulated kernel driver's dispatch and bookkeeping: handles, requests
// routed to their handlers (interrupt requests to the interrupt controller),
// counters and the access trace; the fault plan's settings, under the lock.
#include "sim/simulated_driver.h"

#include "driver/transfer_commands.h"

#include <cstdio>
#include <utility>

namespace lineio::sim {

namespace {

constexpr std::uint32_t VersionsPerMajor = 100;

bool IsLifecycleRequest(std::uint32_t code) {
  switch (code) {
    case ReqRegisterCard:
    case ReqUnregisterCard:
    case ReqEnableInterrupt:
    case ReqDisableInterrupt:
    case ReqWaitInterrupt: return true;
    default: return false;
  }
}

}  // namespace

SimulatedDriver::SimulatedDriver(SimBus& bus) : bus_(bus) {}

SimulatedDriver::~SimulatedDriver() {
  if (platform::InstalledDriverService() == this) platform::InstallDriverService(nullptr);
}

platform::OsHandle SimulatedDriver::Open() {
  std::lock_guard guard(lock_);
  if (faults_.DeviceMissing()) return platform::InvalidOsHandle;
  const platform::OsHandle handle = nextHandle_++;
  handles_.insert(handle);
  return handle;
}

bool SimulatedDriver::Close(platform::OsHandle handle) {
  std::lock_guard guard(lock_);
  return handles_.erase(handle) == 1;
}

bool SimulatedDriver::Request(platform::OsHandle handle, std::uint32_t code, void* record,
                              std::uint32_t size) {
  std::unique_lock held(lock_);
  ++requestCounts_[code];
  if (handles_.count(handle) == 0) return false;
  if (record == nullptr || size == 0 || size != RequestRecordSize(code)) return false;
  if (faults_.ConsumeFailure(code)) return false;
  const bool served = Serve(held, code, record);
  if (IsLifecycleRequest(code)) lifecycle_.Push(code);
  return served;
}

bool SimulatedDriver::Serve(std::unique_lock<std::mutex>& held, std::uint32_t code, void* record) {
  switch (code) {
    case ReqDriverVersion: return DriverVersion(*static_cast<VersionQuery*>(record));
    case ReqScanPciCards: return ScanPciCards(*static_cast<PciScan*>(record));
    case ReqPciCardInfo: return PciCardInfoRequest(*static_cast<PciCardInfo*>(record));
    case ReqRegisterCard: return RegisterCard(*static_cast<CardRegistration*>(record));
    case ReqUnregisterCard: return UnregisterCard(*static_cast<CardRegistration*>(record));
    case ReqPciConfig: return PciConfig(*static_cast<PciConfigAccess*>(record));
    case ReqTransfer: return Transfer(*static_cast<TransferCommand*>(record));
    case ReqEnableInterrupt: return interrupts_.Enable(*static_cast<InterruptRecord*>(record));
    case ReqDisableInterrupt: return interrupts_.Disable(*static_cast<InterruptRecord*>(record));
    case ReqWaitInterrupt: return interrupts_.Wait(held, *static_cast<InterruptRecord*>(record));
    default: return false;
  }
}

bool SimulatedDriver::DriverVersion(VersionQuery& query) {
  const std::uint32_t version = faults_.Version();
  query.Version = version;
  std::snprintf(query.Text, sizeof query.Text, "lineio simulated kernel driver %u.%02u",
                version / VersionsPerMajor, version % VersionsPerMajor);
  return true;
}

void SimulatedDriver::Install() { platform::InstallDriverService(this); }

void SimulatedDriver::Uninstall() {
  if (platform::InstalledDriverService() == this) platform::InstallDriverService(nullptr);
}

void SimulatedDriver::SetDeviceMissing(bool missing) {
  std::lock_guard guard(lock_);
  faults_.SetDeviceMissing(missing);
}

void SimulatedDriver::SetVersion(std::uint32_t version) {
  std::lock_guard guard(lock_);
  faults_.SetVersion(version);
}

void SimulatedDriver::FailRequests(std::uint32_t code, int count) {
  std::lock_guard guard(lock_);
  faults_.FailRequests(code, count);
}

void SimulatedDriver::ReportCardCount(std::optional<std::uint32_t> count) {
  std::lock_guard guard(lock_);
  faults_.ReportCardCount(count);
}

void SimulatedDriver::ReportItemCount(std::optional<std::uint32_t> count) {
  std::lock_guard guard(lock_);
  faults_.ReportItemCount(count);
}

void SimulatedDriver::LockByAnotherUser(int card, bool locked) {
  std::lock_guard guard(lock_);
  faults_.LockByAnotherUser(card, locked);
}

int SimulatedDriver::OpenHandles() const {
  std::lock_guard guard(lock_);
  return static_cast<int>(handles_.size());
}

int SimulatedDriver::Registrations() const {
  std::lock_guard guard(lock_);
  return static_cast<int>(registrations_.size());
}

bool SimulatedDriver::IsRegistered(int card) const {
  std::lock_guard guard(lock_);
  for (const auto& [cardHandle, registration] : registrations_) {
    if (registration.Card == card) return true;
  }
  return false;
}

std::uint64_t SimulatedDriver::RequestCount(std::uint32_t code) const {
  std::lock_guard guard(lock_);
  const auto count = requestCounts_.find(code);
  return count == requestCounts_.end() ? 0 : count->second;
}

std::uint64_t SimulatedDriver::TotalRequests() const {
  std::lock_guard guard(lock_);
  std::uint64_t total = 0;
  for (const auto& [code, count] : requestCounts_) total += count;
  return total;
}

int SimulatedDriver::RaiseInterrupt(int card, int count) {
  std::lock_guard guard(lock_);
  return interrupts_.Raise(card, count, [this](const TransferCommand& command) { Perform(command); });
}

SimulatedDriver::InterruptCounters SimulatedDriver::Interrupts(int card) const {
  std::lock_guard guard(lock_);
  return interrupts_.Counters(card);
}

int SimulatedDriver::PendingWaits() const {
  std::lock_guard guard(lock_);
  return interrupts_.PendingWaits();
}

int SimulatedDriver::UnregisteredWithInterruptEnabled() const {
  std::lock_guard guard(lock_);
  return interrupts_.RetiredWhileEnabled();
}

std::vector<std::uint32_t> SimulatedDriver::LifecycleLog() const {
  std::lock_guard guard(lock_);
  return lifecycle_.Entries();
}

std::vector<RegisterAccess> SimulatedDriver::Trace() const {
  std::lock_guard guard(lock_);
  return trace_.Entries();
}

void SimulatedDriver::ClearTrace() {
  std::lock_guard guard(lock_);
  trace_.Clear();
}

void SimulatedDriver::SetHistoryLimit(std::size_t limit) {
  std::lock_guard guard(lock_);
  trace_.SetLimit(limit);
  lifecycle_.SetLimit(limit);
}

void SimulatedDriver::SetAccessObserver(std::function<void(const RegisterAccess&)> observer) {
  std::lock_guard guard(lock_);
  observer_ = std::move(observer);
}

}  // namespace lineio::sim
