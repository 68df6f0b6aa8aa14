// An open-addressing hash map from 64-bit keys, for the look-ups of the
// checks: one allocation, no node per entry, so that building an index over
// a million records costs a few passes over memory.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

namespace abys {

template <typename Value>
class FlatMap {
 public:
  explicit FlatMap(size_t expected) {
    size_t capacity = 16;
    while (capacity < expected * 2)
      capacity *= 2;
    slots_.resize(capacity);
    mask_ = capacity - 1;
  }

  // The value stored for key; when key is absent, stores value first.
  Value& insert(uint64_t key, Value value) {
    Slot* slot = probe(key);
    if (!slot->used) {
      *slot = {key, value, true};
      if (++size_ * 2 > slots_.size()) {
        grow();
        slot = probe(key);
      }
    }
    return slot->value;
  }

  Value* find(uint64_t key) {
    Slot* slot = probe(key);
    return slot->used ? &slot->value : nullptr;
  }
  const Value* find(uint64_t key) const {
    const Slot* slot = const_cast<FlatMap*>(this)->probe(key);
    return slot->used ? &slot->value : nullptr;
  }

 private:
  struct Slot {
    uint64_t key = 0;
    Value value{};
    bool used = false;
  };

  // splitmix64's finaliser of the key offset by a seed drawn once per run,
  // so that no file can choose keys that fall on one run of slots.
  static uint64_t hash(uint64_t x) {
    static const uint64_t seed = (uint64_t{std::random_device{}()} << 32) ^ std::random_device{}();
    x += seed;
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ULL;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
  }

  Slot* probe(uint64_t key) {
    for (size_t i = hash(key) & mask_;; i = (i + 1) & mask_) {
      Slot& slot = slots_[i];
      if (!slot.used || slot.key == key) return &slot;
    }
  }

  void grow() {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.resize(old.size() * 2);
    mask_ = slots_.size() - 1;
    for (const Slot& slot : old) {
      if (slot.used) *probe(slot.key) = slot;
    }
  }

  std::vector<Slot> slots_;
  size_t mask_ = 0;
  size_t size_ = 0;
};

// Maps 32-bit identifiers to the first value stored for them: a direct table
// when the identifiers are dense (as record identifiers usually are, counted
// up from 1), where look-ups of neighbouring records touch neighbouring
// memory; a hash map otherwise.
template <typename Value>
class IdTable {
 public:
  // ids and values in order; the first value of an id wins.
  IdTable(const std::vector<uint32_t>& ids, const std::vector<Value>& values) {
    if (ids.empty()) return;
    const auto [low, high] = std::minmax_element(ids.begin(), ids.end());
    const uint64_t span = uint64_t{*high} - *low + 1;
    if (span <= 4 * uint64_t{ids.size()} + 1024) {
      low_ = *low;
      dense_.assign(span, Value{});
      present_.assign(span, false);
      for (size_t i = 0; i < ids.size(); ++i) {
        const uint32_t at = ids[i] - low_;
        if (!present_[at]) {
          present_[at] = true;
          dense_[at] = values[i];
        }
      }
    } else {
      sparse_.emplace(ids.size());
      for (size_t i = 0; i < ids.size(); ++i)
        sparse_->insert(ids[i], values[i]);
    }
  }

  const Value* find(uint32_t id) const {
    if (sparse_) return sparse_->find(id);
    if (id < low_ || id - low_ >= dense_.size() || !present_[id - low_]) return nullptr;
    return &dense_[id - low_];
  }

 private:
  uint32_t low_ = 0;
  std::vector<Value> dense_;
  std::vector<bool> present_;
  std::optional<FlatMap<Value>> sparse_;
};

}  // namespace abys
