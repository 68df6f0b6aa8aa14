#include "arena.h"

#include <sys/mman.h>

#include <cstring>

namespace abys {
namespace {
// Blocks of this size and more are mapped; smaller ones come from the heap.
constexpr size_t kMappedBlock = 2 * 1024 * 1024;
// The first block; later blocks grow geometrically. Mapped memory is
// committed page by page as it is touched, so a block only partly filled
// costs only what was filled.
constexpr size_t kInitialBlock = kMappedBlock;

size_t roundToMappedBlocks(size_t bytes) {
  return (bytes + kMappedBlock - 1) / kMappedBlock * kMappedBlock;
}
}  // namespace

void* Arena::BlockSource::do_allocate(size_t bytes, size_t alignment) {
  if (bytes < kMappedBlock) return std::pmr::new_delete_resource()->allocate(bytes, alignment);
  void* block = mmap(nullptr, roundToMappedBlocks(bytes), PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) throw std::bad_alloc();
  return block;
}

void Arena::BlockSource::do_deallocate(void* p, size_t bytes, size_t alignment) {
  if (bytes < kMappedBlock) {
    std::pmr::new_delete_resource()->deallocate(p, bytes, alignment);
  } else {
    munmap(p, roundToMappedBlocks(bytes));
  }
}

Arena::Arena() : resource_(kInitialBlock, &blocks_), records_(kInitialBlock, &blocks_) {}

void* Arena::allocate(size_t size, size_t alignment) {
  return allocateIn(resource_, size, alignment);
}

void* Arena::allocateIn(std::pmr::monotonic_buffer_resource& resource, size_t size,
                        size_t alignment) {
  ++allocations_;
  if (failFrom_ > 0 && allocations_ >= failFrom_) return nullptr;
  try {
    void* memory = resource.allocate(size, alignment);
    bytes_ += size;
    return memory;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

const char* Arena::copyText(std::string_view text) {
  auto* copy = static_cast<char*>(allocate(text.size() + 1, 1));
  if (copy == nullptr) return nullptr;
  if (!text.empty()) std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

void Arena::release() {
  resource_.release();
  records_.release();
  allocations_ = 0;
  bytes_ = 0;
}

}  // namespace abys
