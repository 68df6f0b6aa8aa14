// Entries filed under numbered buckets, as grids, strips and bands keep
// them: one array of entries, bucket after bucket, and where each bucket
// starts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace abys {

template <class T>
class Buckets {
 public:
  Buckets() : starts_(1, 0) {}

  // Files entries in count buckets by two passes, one counting them and
  // one placing them: each(file) must call file(bucket, entry) for the same
  // entries in the same order both times. Within a bucket, entries keep
  // that order.
  template <class Each>
  Buckets(size_t count, Each&& each) : starts_(count + 1, 0) {
    each([&](size_t bucket, const T&) { ++starts_[bucket + 1]; });
    for (size_t b = 1; b < starts_.size(); ++b)
      starts_[b] += starts_[b - 1];
    std::vector<uint32_t> next(starts_.begin(), starts_.end() - 1);
    entries_.resize(starts_.back());
    each([&](size_t bucket, const T& entry) { entries_[next[bucket]++] = entry; });
  }

  size_t count() const { return starts_.size() - 1; }
  // The entries of bucket b, and those of buckets first to last - 1.
  std::span<const T> operator[](size_t b) const { return span(b, b + 1); }
  std::span<const T> span(size_t first, size_t last) const {
    return {entries_.data() + starts_[first], entries_.data() + starts_[last]};
  }
  // Where bucket b starts among all the entries, and all of them.
  uint32_t start(size_t b) const { return starts_[b]; }
  const std::vector<T>& entries() const { return entries_; }

 private:
  std::vector<uint32_t> starts_;  // of each bucket in entries_, and the end
  std::vector<T> entries_;
};

}  // namespace abys
