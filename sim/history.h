// A record of events that the simulator keeps for a reader (a test, a tool):
// the newest entries up to a limit, in a ring, with a count of the older ones
// it let go. Without a reader's word the limit is DefaultHistoryLimit, so a
// simulator that runs for ever (the library's simulation flavour, a long
// analyser script) stays within a fixed size; a reader that needs everything
// since its last Clear asks for KeepEverything, and one that needs nothing
// sets 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

namespace lineio::sim {

inline constexpr std::size_t DefaultHistoryLimit = std::size_t{1} << 16;
inline constexpr std::size_t KeepEverything = std::numeric_limits<std::size_t>::max();

template <typename Entry>
class History {
 public:
  // Keeps at most `limit` entries, the newest; a smaller limit lets the
  // oldest ones go at once.
  void SetLimit(std::size_t limit) {
    if (limit < ring_.size()) {
      std::vector<Entry> kept = Entries();
      dropped_ += kept.size() - limit;
      kept.erase(kept.begin(), kept.end() - static_cast<std::ptrdiff_t>(limit));
      ring_ = std::move(kept);
      ring_.shrink_to_fit();
    } else {
      ring_ = Entries();
    }
    oldest_ = 0;
    limit_ = limit;
  }
  std::size_t Limit() const { return limit_; }

  void Push(const Entry& entry) {
    if (ring_.size() < limit_) {
      ring_.push_back(entry);
      return;
    }
    ++dropped_;
    if (limit_ == 0) return;
    ring_[oldest_] = entry;
    oldest_ = (oldest_ + 1) % ring_.size();
  }

  // The entries kept, oldest first.
  std::vector<Entry> Entries() const {
    std::vector<Entry> entries(ring_.begin() + static_cast<std::ptrdiff_t>(oldest_), ring_.end());
    entries.insert(entries.end(), ring_.begin(), ring_.begin() + static_cast<std::ptrdiff_t>(oldest_));
    return entries;
  }
  std::size_t Size() const { return ring_.size(); }
  // Entries let go since the last Clear to stay within the limit.
  std::uint64_t Dropped() const { return dropped_; }

  void Clear() {
    ring_.clear();
    oldest_ = 0;
    dropped_ = 0;
  }

 private:
  std::vector<Entry> ring_;
  std::size_t oldest_ = 0;  // where the oldest entry lies once the ring is full
  std::size_t limit_ = DefaultHistoryLimit;
  std::uint64_t dropped_ = 0;
};

}  // namespace lineio::sim
