#include "bench/allocation_counter.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

namespace bench {
namespace {

// Plain counters: the benchmarks run on one thread.
uint64_t g_allocations = 0;
int64_t g_live = 0;
int64_t g_base = 0;
int64_t g_peak = 0;

void* Allocate(size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  ++g_allocations;
  g_live += static_cast<int64_t>(malloc_usable_size(block));
  if (g_live > g_peak) g_peak = g_live;
  return block;
}

void Release(void* block) {
  if (block == nullptr) return;
  g_live -= static_cast<int64_t>(malloc_usable_size(block));
  std::free(block);
}

}  // namespace

void BeginHeapCount() {
  g_allocations = 0;
  g_base = g_live;
  g_peak = g_live;
}

HeapStats EndHeapCount() {
  return HeapStats{g_allocations, static_cast<uint64_t>(g_peak - g_base)};
}

}  // namespace bench

void* operator new(size_t size) {
  return bench::Allocate(size);
}
void* operator new[](size_t size) {
  return bench::Allocate(size);
}
void operator delete(void* block) noexcept {
  bench::Release(block);
}
void operator delete[](void* block) noexcept {
  bench::Release(block);
}
void operator delete(void* block, size_t) noexcept {
  bench::Release(block);
}
void operator delete[](void* block, size_t) noexcept {
  bench::Release(block);
}
