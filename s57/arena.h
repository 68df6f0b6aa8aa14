// Memory for everything a dataset holds: records, entries, update-control
// copies and texts come from one arena that is given back in one step.
// Records come from a region of their own, one after another in the order
// they are made, so that a walk over a list of records reads memory forward
// instead of jumping over the entries, coordinates and texts between them.
#pragma once

#include <cstddef>
#include <memory_resource>
#include <new>
#include <string_view>

namespace abys {

class Arena {
 public:
  Arena();
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;

  // Raw memory, or null when memory is exhausted (never throws).
  void* allocate(size_t size, size_t alignment);

  // A value-initialised T, or null when memory is exhausted.
  template <typename T>
  T* create() {
    void* memory = allocate(sizeof(T), alignof(T));
    return memory != nullptr ? new (memory) T() : nullptr;
  }
  // The same from the records' region.
  template <typename T>
  T* createRecord() {
    void* memory = allocateIn(records_, sizeof(T), alignof(T));
    return memory != nullptr ? new (memory) T() : nullptr;
  }

  // A copy of text followed by a NUL, or null when memory is exhausted.
  const char* copyText(std::string_view text);

  // Gives every allocation back at once; nothing is destroyed, so the arena
  // holds only trivially destructible objects.
  void release();

  // Number of allocations since the arena was made or released.
  long allocations() const { return allocations_; }
  // Bytes handed out since then (alignment padding not counted).
  size_t bytesAllocated() const { return bytes_; }
  // Makes the allocation with the given number (counted from 1 since the
  // last release) and every one after it fail; 0 turns failures off. For
  // tests of memory exhaustion.
  void failFrom(long allocationNumber) { failFrom_ = allocationNumber; }

 private:
  // Hands the arena large blocks mapped straight from the system and given
  // back to it on release, in ordinary pages. Transparent huge pages took
  // fewer faults, but where other programs had fragmented memory the kernel
  // compacted it before handing one out, which made a large load up to twice
  // as slow.
  class BlockSource : public std::pmr::memory_resource {
    void* do_allocate(size_t bytes, size_t alignment) override;
    void do_deallocate(void* p, size_t bytes, size_t alignment) override;
    bool do_is_equal(const memory_resource& other) const noexcept override {
      return this == &other;
    }
  };

  void* allocateIn(std::pmr::monotonic_buffer_resource& resource, size_t size, size_t alignment);

  BlockSource blocks_;
  std::pmr::monotonic_buffer_resource resource_;
  std::pmr::monotonic_buffer_resource records_;
  long allocations_ = 0;
  size_t bytes_ = 0;
  long failFrom_ = 0;
};

}  // namespace abys
