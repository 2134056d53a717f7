#include "framework/record_pool.h"

#include <new>

void* RecordPool::AllocateFromSystem(size_t size) {
  return ::operator new(Pooled(size) ? ListFor(size) * kGranule : size);
}

void RecordPool::FreeToSystem(void* block) noexcept {
  ::operator delete(block);
}

void RecordPool::Release() noexcept {
  for (FreeBlock*& head : free_) {
    while (head != nullptr) {
      FreeBlock* next = head->next;
      ::operator delete(head);
      head = next;
    }
  }
}
