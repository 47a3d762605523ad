// The simulated kernel driver: serves every request of the library on a SimBus,
// as an in-process DriverService. It dispatches the requests and keeps the
// driver's own bookkeeping (open handles, registrations, request counts, the
// register accesses that reach it); its interrupts are an InterruptController
// and the faults that tests inject a FaultPlan, each a part of its own.
//
// All requests are serialised by one lock, so requests on one handle may come
// from two threads at once. A request that has to block (an interrupt wait)
// gets the held lock and can wait on a condition variable with it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

#include "platform/driver_service.h"
#include "sim/fault_plan.h"
#include "sim/history.h"
#include "sim/interrupt_controller.h"
#include "sim/register_access.h"
#include "sim/sim_bus.h"

namespace lineio::sim {

class SimulatedDriver : public platform::DriverService {
 public:
  explicit SimulatedDriver(SimBus& bus);
  // Uninstalls the driver when it is still the installed one.
  ~SimulatedDriver() override;
  SimulatedDriver(const SimulatedDriver&) = delete;
  SimulatedDriver& operator=(const SimulatedDriver&) = delete;

  // DriverService.
  platform::OsHandle Open() override;
  // Every request is counted. It fails (false, record untouched) on a handle
  // that is not open, a size that is not the record's, an unknown code or an
  // injected failure; otherwise the request's own result.
  bool Request(platform::OsHandle handle, std::uint32_t code, void* record, std::uint32_t size) override;
  bool Close(platform::OsHandle handle) override;

  // Installs this driver as the process's driver device, and removes it again.
  void Install();
  void Uninstall();

  // Fault injection (the driver's FaultPlan).
  void SetDeviceMissing(bool missing);     // Open fails
  void SetVersion(std::uint32_t version);  // reported by ReqDriverVersion
  void FailRequests(std::uint32_t code,
                    int count = -1);  // next `count` (-1: all, 0: none) fail, record untouched
  void ReportCardCount(std::optional<std::uint32_t> count);  // CardCount beyond what the arrays hold
  void ReportItemCount(std::optional<std::uint32_t> count);  // ItemCount beyond what the array holds
  void LockByAnotherUser(int card, bool locked = true);      // registration of it is refused

  // Counters, for proving that nothing leaked.
  int OpenHandles() const;
  int Registrations() const;  // registrations in force
  bool IsRegistered(int card) const;
  std::uint64_t RequestCount(std::uint32_t code) const;
  std::uint64_t TotalRequests() const;

  // Interrupts (the driver's InterruptController). A test raises them on a
  // card; while the card's interrupt is enabled, each one is received: the
  // driver performs the command list that the enable recorded (visible in the
  // card's registers and in the trace), counts it and wakes a pending wait. An
  // interrupt that arrives while the previous one has not yet been taken by a
  // wait is counted as lost. While the interrupt is not enabled, raising it
  // does nothing. Gives how many of the `count` interrupts were received.
  int RaiseInterrupt(int card, int count = 1);
  using InterruptCounters = sim::InterruptCounters;
  // The counters of the card's current registration; all zero when the card
  // is not registered.
  InterruptCounters Interrupts(int card) const;
  // Waits blocked in the driver right now, on every card.
  int PendingWaits() const;
  // Cards unregistered while their interrupt was still enabled (the driver
  // then disables it itself).
  int UnregisteredWithInterruptEnabled() const;
  // The registration and interrupt requests that the driver has served, in
  // the order in which they completed (a wait completes when it returns): the
  // newest ones up to the history limit.
  std::vector<std::uint32_t> LifecycleLog() const;

  // The register accesses that reached the driver (transfers), in order: the
  // newest ones up to the history limit.
  std::vector<RegisterAccess> Trace() const;
  void ClearTrace();
  // The limit of the trace and of the lifecycle log (see History): without a
  // reader's word, DefaultHistoryLimit entries each.
  void SetHistoryLimit(std::size_t limit);
  // Called with each register access as it is recorded, with the request lock
  // held (the observer must not call the driver). An empty function removes it.
  void SetAccessObserver(std::function<void(const RegisterAccess&)> observer);

 private:
  struct Registration {
    int Card;
    std::uint32_t InterruptHandle;
  };
  // Where a transfer lands: a card's range and the offset of its first unit.
  struct RangeHit {
    int Card;
    int Bar;
    std::uint32_t Offset;
  };

  bool Serve(std::unique_lock<std::mutex>& held, std::uint32_t code, void* record);

  // Request handlers, called with the lock held. `held` is the request lock,
  // released while an interrupt wait blocks.
  bool DriverVersion(VersionQuery& query);
  bool ScanPciCards(PciScan& scan);
  bool PciCardInfoRequest(PciCardInfo& info);
  bool RegisterCard(CardRegistration& registration);
  bool UnregisterCard(CardRegistration& registration);
  bool PciConfig(PciConfigAccess& access);
  bool Transfer(TransferCommand& command);

  int FindCardOf(const CardResources& resources) const;
  void FillRegisteredItems(int card, std::uint32_t interruptHandle, CardResources& resources);
  // Carries out one transfer command (block or single value) on the bus.
  bool Perform(const TransferCommand& command);
  std::optional<RangeHit> FindIoRange(std::uintptr_t address, std::uintptr_t span) const;
  std::optional<RangeHit> FindMemoryRange(std::uintptr_t address, std::uintptr_t span);

  SimBus& bus_;
  mutable std::mutex lock_;
  std::set<platform::OsHandle> handles_;
  platform::OsHandle nextHandle_ = 0x100;
  std::uint32_t nextCardHandle_ = 1;
  std::uint32_t nextInterruptHandle_ = 0x1000;
  std::map<std::uint32_t, Registration> registrations_;  // by card handle
  FaultPlan faults_;
  InterruptController interrupts_;
  std::map<std::uint32_t, std::uint64_t> requestCounts_;
  History<RegisterAccess> trace_;
  std::function<void(const RegisterAccess&)> observer_;
  History<std::uint32_t> lifecycle_;
};

}  // namespace lineio::sim
