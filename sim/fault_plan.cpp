#include "sim/fault_plan.h"

namespace lineio::sim {

namespace {
constexpr int EveryRequest = -1;
}  // namespace

void FaultPlan::SetDeviceMissing(bool missing) { deviceMissing_ = missing; }
bool FaultPlan::DeviceMissing() const { return deviceMissing_; }

void FaultPlan::SetVersion(std::uint32_t version) { version_ = version; }
std::uint32_t FaultPlan::Version() const { return version_; }

void FaultPlan::FailRequests(std::uint32_t code, int count) {
  if (count == 0) {
    failures_.erase(code);
  } else {
    failures_[code] = count < 0 ? EveryRequest : count;
  }
}

bool FaultPlan::ConsumeFailure(std::uint32_t code) {
  const auto failure = failures_.find(code);
  if (failure == failures_.end()) return false;
  if (failure->second > 0 && --failure->second == 0) failures_.erase(failure);
  return true;
}

void FaultPlan::ReportCardCount(std::optional<std::uint32_t> count) { reportedCardCount_ = count; }
std::uint32_t FaultPlan::CardCountFor(std::uint32_t found) const {
  return reportedCardCount_.value_or(found);
}

void FaultPlan::ReportItemCount(std::optional<std::uint32_t> count) { reportedItemCount_ = count; }
std::uint32_t FaultPlan::ItemCountFor(std::uint32_t listed) const {
  return reportedItemCount_.value_or(listed);
}

void FaultPlan::LockByAnotherUser(int card, bool locked) {
  if (locked) {
    foreignLocks_.insert(card);
  } else {
    foreignLocks_.erase(card);
  }
}

bool FaultPlan::LockedByAnotherUser(int card) const { return foreignLocks_.count(card) != 0; }

}  // namespace lineio::sim
