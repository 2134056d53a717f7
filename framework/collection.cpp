#include "framework/collection.h"

#include <cstring>

#include "framework/iterator_handler.h"

__QCCollection::~__QCCollection() {
  ClearAll();
  delete[] elements_;
  elements_ = nullptr;
}

const char* __QCCollection::ClassName() const {
  static constexpr char kName[] = "__QCCollection";
  return kName;
}

__QCBase* __QCCollection::ItemAt(int32_t index) const {
  if (index < 0 || index >= count_ || elements_ == nullptr) return nullptr;
  return elements_[index];
}

void __QCCollection::ClearAll() {
  for (int32_t i = 0; i < count_; ++i) {
    delete elements_[i];
    elements_[i] = nullptr;
  }
  count_ = 0;
}

void __QCCollection::GrowFor(int32_t extra) {
  const int64_t needed = static_cast<int64_t>(count_) + extra;
  if (capacity_ >= needed) return;
  const int64_t step = count_ <= 100 ? 10 : count_ <= 1000 ? 50 : count_ <= 10000 ? 100 : 1000;
  const int64_t new_capacity = step * ((count_ + step + extra) / step);
  auto** grown = new __QCBase*[static_cast<size_t>(new_capacity)]();
  if (count_ > 0) std::memcpy(grown, elements_, static_cast<size_t>(count_) * sizeof(__QCBase*));
  delete[] elements_;
  elements_ = grown;
  capacity_ = static_cast<int32_t>(new_capacity);
}

void __QCCollection::Append(std::unique_ptr<__QCBase> element) {
  GrowFor(1);
  elements_[count_] = element.release();
  ++count_;
}

int32_t __QCCollection::ForEach(QCIteratorHandler& handler) {
  int32_t handled = 0;
  for (int32_t position = 0; position < count_; ++position) {
    __QCBase* element = ItemAt(position);
    if (element == nullptr) continue;
    if (!handler.Iterate(element)) break;
    ++handled;
  }
  return handled;
}

__QCBase* __QCCollection::FindFirst(QCIteratorHandler& handler) {
  for (int32_t position = 0; position < count_; ++position) {
    __QCBase* element = ItemAt(position);
    if (element != nullptr && handler.Match(element)) return element;
  }
  return nullptr;
}

int32_t __QCCollection::ForEachIndexed(QCIteratorHandler& handler) {
  int32_t handled = 0;
  for (int32_t position = 0; position < count_; ++position) {
    __QCBase* element = ItemAt(position);
    if (element == nullptr) continue;
    if (!handler.IterateIndexed(element, position)) break;
    ++handled;
  }
  return handled;
}
