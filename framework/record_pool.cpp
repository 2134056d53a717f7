#include "framework/record_pool.h"

#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define QUILLO_POOL_ENABLED 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLO_POOL_ENABLED 0
#endif
#endif
#ifndef QUILLO_POOL_ENABLED
#define QUILLO_POOL_ENABLED 1
#endif

namespace {

// Free blocks are chained through their first bytes; sizes are rounded up
// to whole granules, one free list per granule count.
constexpr size_t kGranule = 16;
constexpr size_t kLists = RecordPool::kLargestPooled / kGranule + 1;

struct FreeBlock {
  FreeBlock* next;
};

FreeBlock* g_free[kLists] = {};

size_t ListFor(size_t size) {
  return (size + kGranule - 1) / kGranule;
}

}  // namespace

bool RecordPool::Enabled() {
  return QUILLO_POOL_ENABLED != 0;
}

void* RecordPool::Allocate(size_t size) {
  if (!Enabled() || size > kLargestPooled) return ::operator new(size);
  const size_t list = ListFor(size);
  if (FreeBlock* block = g_free[list]) {
    g_free[list] = block->next;
    return block;
  }
  return ::operator new(list* kGranule);
}

void RecordPool::Free(void* block, size_t size) noexcept {
  if (block == nullptr) return;
  if (!Enabled() || size > kLargestPooled) {
    ::operator delete(block);
    return;
  }
  auto* free_block = static_cast<FreeBlock*>(block);
  const size_t list = ListFor(size);
  free_block->next = g_free[list];
  g_free[list] = free_block;
}

void RecordPool::Release() noexcept {
  for (FreeBlock*& head : g_free) {
    while (head != nullptr) {
      FreeBlock* next = head->next;
      ::operator delete(head);
      head = next;
    }
  }
}
