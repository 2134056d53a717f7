#include "framework/collection.h"

#include <algorithm>
#include <cstring>

#include "framework/iterator_handler.h"
#include "framework/record_pool.h"

namespace {

// The longest array that comes from one pooled block.
constexpr int64_t kPooledPositions = RecordPool::kLargestPooled / sizeof(QCBase*);

// The element arrays come from the record pool, like the records they hold: a
// command makes a list per system and part, each growing in the same steps,
// so the arrays of one list serve the next instead of going back and forth
// to the system allocator.
QCBase** AllocateElements(int64_t capacity) {
  return static_cast<QCBase**>(
      RecordPool::Allocate(static_cast<size_t>(capacity) * sizeof(QCBase*)));
}

void FreeElements(QCBase** elements, int32_t capacity) {
  RecordPool::Free(elements, static_cast<size_t>(capacity) * sizeof(QCBase*));
}

}  // namespace

QCCollection::~QCCollection() {
  ClearAll();
  FreeElements(elements_, allocated_);
  elements_ = nullptr;
}

const char* QCCollection::ClassName() const {
  static constexpr char kName[] = "QCCollection";
  return kName;
}

void QCCollection::ClearAll() {
  for (int32_t i = 0; i < count_; ++i) {
    delete elements_[i];
    elements_[i] = nullptr;
  }
  count_ = 0;
}

void QCCollection::DeleteFrom(int32_t count) {
  while (count_ > count && count_ > 0) {
    --count_;
    delete elements_[count_];
    elements_[count_] = nullptr;
  }
}

void QCCollection::GrowFor(int32_t extra) {
  const int64_t needed = static_cast<int64_t>(count_) + extra;
  if (capacity_ >= needed) return;
  const int64_t step = count_ <= 100 ? 10 : count_ <= 1000 ? 50 : count_ <= 10000 ? 100 : 1000;
  const int64_t new_capacity = step * ((count_ + step + extra) / step);
  const auto in_use = static_cast<size_t>(count_);
  if (new_capacity > allocated_) {
    // Rationale: the capacity grows by fixed steps, so a block of exactly
    // that size would copy a long list once per step, which is quadratic in
    // its length; the block behind a long array at least doubles instead.
    // Arrays that fit a pooled block keep their exact size, which the pool
    // hands back list after list (doubling those measured more work).
    const int64_t block =
        new_capacity <= kPooledPositions
            ? new_capacity
            : std::max<int64_t>(new_capacity, 2 * static_cast<int64_t>(allocated_));
    QCBase** grown = AllocateElements(block);
    if (in_use > 0) std::memcpy(grown, elements_, in_use * sizeof(QCBase*));
    FreeElements(elements_, allocated_);
    elements_ = grown;
    allocated_ = static_cast<int32_t>(block);
  }
  std::memset(elements_ + in_use, 0,
              (static_cast<size_t>(new_capacity) - in_use) * sizeof(QCBase*));
  capacity_ = static_cast<int32_t>(new_capacity);
}

int32_t QCCollection::ForEach(QCIteratorHandler& handler) {
  int32_t handled = 0;
  for (int32_t position = 0; position < count_; ++position) {
    QCBase* element = ItemAt(position);
    if (element == nullptr) continue;
    if (!handler.Iterate(element)) break;
    ++handled;
  }
  return handled;
}

QCBase* QCCollection::FindFirst(QCIteratorHandler& handler) {
  for (int32_t position = 0; position < count_; ++position) {
    QCBase* element = ItemAt(position);
    if (element != nullptr && handler.Match(element)) return element;
  }
  return nullptr;
}

int32_t QCCollection::ForEachIndexed(QCIteratorHandler& handler) {
  int32_t handled = 0;
  for (int32_t position = 0; position < count_; ++position) {
    QCBase* element = ItemAt(position);
    if (element == nullptr) continue;
    if (!handler.IterateIndexed(element, position)) break;
    ++handled;
  }
  return handled;
}
