#include "framework/collection.h"

#include <cstring>

#include "framework/iterator_handler.h"

QCCollection::~QCCollection() {
  ClearAll();
  delete[] elements_;
  elements_ = nullptr;
}

const char* QCCollection::ClassName() const {
  static constexpr char kName[] = "QCCollection";
  return kName;
}

QCBase* QCCollection::ItemAt(int32_t index) const {
  if (index < 0 || index >= count_ || elements_ == nullptr) return nullptr;
  return elements_[index];
}

void QCCollection::ClearAll() {
  for (int32_t i = 0; i < count_; ++i) {
    delete elements_[i];
    elements_[i] = nullptr;
  }
  count_ = 0;
}

void QCCollection::GrowFor(int32_t extra) {
  const int64_t needed = static_cast<int64_t>(count_) + extra;
  if (capacity_ >= needed) return;
  const int64_t step = count_ <= 100 ? 10 : count_ <= 1000 ? 50 : count_ <= 10000 ? 100 : 1000;
  const int64_t new_capacity = step * ((count_ + step + extra) / step);
  auto** grown = new QCBase*[static_cast<size_t>(new_capacity)]();
  if (count_ > 0) std::memcpy(grown, elements_, static_cast<size_t>(count_) * sizeof(QCBase*));
  delete[] elements_;
  elements_ = grown;
  capacity_ = static_cast<int32_t>(new_capacity);
}

void QCCollection::Append(std::unique_ptr<QCBase> element) {
  GrowFor(1);
  elements_[count_] = element.release();
  ++count_;
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
