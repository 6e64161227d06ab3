#pragma once

// What a host-side module keeps of its calls until its host asks: how many there were, and the
// last few of them. Fixed storage: the module allocates nothing on a lookup's path.

#include <algorithm>
#include <cstddef>

namespace host_modules {

template <typename Entry, std::size_t Kept>
class RecentEntries {
 public:
  // The slot of a new entry, overwriting the oldest kept one when all are taken.
  Entry& add() {
    Entry& entry = entries_[count_ % Kept];
    entry = Entry{};
    ++count_;
    return entry;
  }

  std::size_t count() const { return count_; }

  // Copies the kept entries, oldest first, into `out` (room for Kept) and forgets them all.
  // Returns how many were copied.
  std::size_t take(Entry* out) {
    const std::size_t kept = std::min(count_, Kept);
    for (std::size_t i = 0; i < kept; ++i) out[i] = entries_[(count_ - kept + i) % Kept];
    count_ = 0;
    return kept;
  }

  void forget() { count_ = 0; }

 private:
  Entry entries_[Kept] = {};
  std::size_t count_ = 0;
};

}  // namespace host_modules
