// Replaces the global operator new of a test program (include it in one
// source file of the program only): every allocation is counted, and from a
// chosen one on they can be made to fail, for tests of what a piece of code
// allocates and of memory running out.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

namespace abys::test {
// Allocations made so far.
inline std::atomic<long> allocations{0};
// The number of the allocation from which every one fails; 0: none fail.
inline std::atomic<long> failFrom{0};
}  // namespace abys::test

// GCC takes the replaced operators for a malloc/delete mismatch.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(size_t size) {
  const long n = ++abys::test::allocations;
  if (abys::test::failFrom != 0 && n >= abys::test::failFrom) throw std::bad_alloc();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  std::free(p);
}
