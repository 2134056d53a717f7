// Counts heap allocations and tracks the peak of live heap bytes, through the
// replaceable global operator new/delete of the benchmark program.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bench {

struct HeapStats {
  uint64_t allocations = 0;
  uint64_t peak_bytes = 0;  // highest live bytes above the level at Begin
};

// Starts counting from now.
void BeginHeapCount();
// What was allocated since BeginHeapCount.
HeapStats EndHeapCount();

}  // namespace bench
