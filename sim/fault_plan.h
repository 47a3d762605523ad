// The faults that a test plans for the simulated driver: a missing driver
// device, another version, requests that fail, counts beyond what the records
// hold, and cards locked by another user. The driver consults the plan on each
// request; the plan itself holds no lock (the driver's request lock guards it).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>

namespace lineio::sim {

inline constexpr std::uint32_t SimulatedDriverVersion = 1100;

class FaultPlan {
 public:
  // Opening the driver device fails while it is missing.
  void SetDeviceMissing(bool missing);
  bool DeviceMissing() const;

  // The version that the driver reports.
  void SetVersion(std::uint32_t version);
  std::uint32_t Version() const;

  // The next `count` requests with this code fail (-1: all of them, 0: none).
  void FailRequests(std::uint32_t code, int count);
  // Whether this request is to fail; a planned failure is used up by it.
  bool ConsumeFailure(std::uint32_t code);

  // Counts reported in place of the true ones (nullopt: the true ones).
  void ReportCardCount(std::optional<std::uint32_t> count);
  std::uint32_t CardCountFor(std::uint32_t found) const;
  void ReportItemCount(std::optional<std::uint32_t> count);
  std::uint32_t ItemCountFor(std::uint32_t listed) const;

  // A card that another user holds: registering it is refused.
  void LockByAnotherUser(int card, bool locked);
  bool LockedByAnotherUser(int card) const;

 private:
  bool deviceMissing_ = false;
  std::uint32_t version_ = SimulatedDriverVersion;
  std::map<std::uint32_t, int> failures_;  // by code: failures left, -1 for all
  std::optional<std::uint32_t> reportedCardCount_;
  std::optional<std::uint32_t> reportedItemCount_;
  std::set<int> foreignLocks_;
};

}  // namespace lineio::sim
