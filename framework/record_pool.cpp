#include "framework/record_pool.h"

#include <new>

void* RecordPool::AllocateFromSystem(size_t size) {
  return ::operator new(Pooled(size) ? ListFor(size) * kGranule : size);
}

void RecordPool::FreeToSystem(void* block) noexcept {
  ::operator delete(block);
}

void RecordPool::Release() noexcept {
  // Here the class is complete, so the lists can be checked against the sizes.
  static_assert(ListFor(kLargestPooled) < kLists, "every pooled size has a free list");
  for (FreeBlock*& head : free_) {
    while (head != nullptr) {
      FreeBlock* next = head->next;
      ::operator delete(head);
      head = next;
    }
  }
}
