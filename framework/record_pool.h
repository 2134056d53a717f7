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

class RecordPool {
 public:
  // Blocks larger than this come from the system directly.
  static constexpr size_t kLargestPooled = 1024;

  // A block of at least `size` bytes. Throws as operator new does.
  static void* Allocate(size_t size);
  // Takes back a block that Allocate gave for `size` bytes.
  static void Free(void* block, size_t size) noexcept;
  // Returns every free block to the system.
  static void Release() noexcept;
  // False when the pool hands requests straight to the system.
  static bool Enabled();
};
