// RecordPool: where record objects live on the heap during a command.
//
// A command lists every record of a kind as independent objects, part after
// part, and destroys each list before the next; the pool keeps the blocks of
// destroyed records in free lists by size and hands them out again, so the
// objects of the next list land in memory that is already in use and warm.
// Blocks are returned to the system by Release(), which the plug-in calls at
// the end of every command: nothing outlives a call.
//
// Under AddressSanitizer the pool passes every request straight to the
// system, so that a use after free is still caught. Not thread-safe: the
// host calls the module from one thread at a time.
#pragma once

#include <cstddef>

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

class RecordPool {
 public:
  // Blocks larger than this come from the system directly.
  static constexpr size_t kLargestPooled = 1024;

  // A block of at least `size` bytes. Throws as operator new does.
  static void* Allocate(size_t size) {
    if (Pooled(size)) {
      if (FreeBlock*& head = free_[ListFor(size)]; head != nullptr) {
        FreeBlock* block = head;
        head = block->next;
        return block;
      }
    }
    return AllocateFromSystem(size);
  }
  // Takes back a block that Allocate gave for `size` bytes.
  static void Free(void* block, size_t size) noexcept {
    if (block == nullptr) return;
    if (!Pooled(size)) return FreeToSystem(block);
    auto* free_block = static_cast<FreeBlock*>(block);
    FreeBlock*& head = free_[ListFor(size)];
    free_block->next = head;
    head = free_block;
  }
  // Returns every free block to the system.
  static void Release() noexcept;
  // False when the pool hands requests straight to the system.
  static constexpr bool Enabled() { return QUILLO_POOL_ENABLED != 0; }
  // True when objects of `Record` are small enough to come from the free
  // lists. Each record class asserts it beside its definition, so that one
  // that outgrows the pool stops the build instead of silently being made
  // by the system.
  template <typename Record>
  static constexpr bool Holds() {
    return sizeof(Record) <= kLargestPooled;
  }

 private:
  // Free blocks are chained through their first bytes; sizes are rounded up
  // to whole granules, one free list per granule count.
  struct FreeBlock {
    FreeBlock* next;
  };
  static constexpr size_t kGranule = 16;
  static constexpr size_t kLists = kLargestPooled / kGranule + 1;

  static constexpr bool Pooled(size_t size) { return Enabled() && size <= kLargestPooled; }
  static constexpr size_t ListFor(size_t size) { return (size + kGranule - 1) / kGranule; }
  // A new block: a whole number of granules when pooled, else `size` bytes.
  static void* AllocateFromSystem(size_t size);
  static void FreeToSystem(void* block) noexcept;

  static inline FreeBlock* free_[kLists] = {};
};
