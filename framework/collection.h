// QCCollection: an owning array of framework objects.
//
// Positions 0 to Count()-1 are in use. Every non-null entry is owned by the
// collection and deleted when the collection is cleared or destroyed; a
// handler only borrows an element for one call. The array grows in steps of
// 10, 50, 100 or 1000 positions, chosen by the current count.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>

#include "framework/iterator_base.h"

class QCIteratorHandler;

class QCCollection : public QCIteratorBase {
 public:
  QCCollection() = default;
  QCCollection(const QCCollection&) = delete;
  QCCollection& operator=(const QCCollection&) = delete;
  ~QCCollection() override;

  const char* ClassName() const override;

  // Calls handler.Iterate for each non-null element in position order, the
  // count read afresh before each step; stops at the first false. Returns
  // how many calls answered true.
  virtual int32_t ForEach(QCIteratorHandler& handler);
  // The first non-null element the handler's Match accepts, or null.
  virtual QCBase* FindFirst(QCIteratorHandler& handler);
  // As ForEach, with IterateIndexed and the element's position.
  virtual int32_t ForEachIndexed(QCIteratorHandler& handler);

  int32_t Count() const { return count_; }
  // Grows with every element put in (appended, or put at a position). A
  // list that knows the class of what it put in its positions still holds
  // only that class, or null where an element was taken out, while this
  // stays the same.
  uint64_t Additions() const { return additions_; }
  int32_t Capacity() const { return capacity_; }
  // The element at `index`, or null when out of range.
  QCBase* ItemAt(int32_t index) const {
    return index < 0 || index >= count_ ? nullptr : elements_[index];
  }
  // Deletes every element and empties the positions; the array is kept.
  void ClearAll();
  // Makes room for Count() + extra positions.
  void GrowFor(int32_t extra);
  // Takes ownership of `element` and stores it after the last position.
  void Append(std::unique_ptr<QCBase> element) {
    if (count_ >= capacity_) GrowFor(1);
    elements_[count_] = element.release();
    ++count_;
    ++additions_;
  }
  // Takes the element at `index` out of the collection, leaving null in its
  // position; null when out of range.
  std::unique_ptr<QCBase> TakeAt(int32_t index) {
    if (index < 0 || index >= count_) return nullptr;
    return std::unique_ptr<QCBase>(std::exchange(elements_[index], nullptr));
  }
  // Stores `element` at `index`, deleting what the position held; at
  // Count() it appends. Out of range, `element` is deleted.
  void PutAt(int32_t index, std::unique_ptr<QCBase> element) {
    if (index == count_) return Append(std::move(element));
    if (index < 0 || index > count_) return;
    ++additions_;
    delete std::exchange(elements_[index], element.release());
  }
  // Deletes the elements from position `count` on, so that Count() is at
  // most `count`.
  void TruncateTo(int32_t count) {
    if (count_ > count) DeleteFrom(count);
  }

 private:
  // TruncateTo's work when there is some.
  void DeleteFrom(int32_t count);

  int32_t count_ = 0;
  uint64_t additions_ = 0;
  int32_t capacity_ = 0;
  // Positions the array's block holds; at least capacity_.
  int32_t allocated_ = 0;
  // Owned array of owned elements. Plain pointers, so that growing the array
  // is one block copy.
  QCBase** elements_ = nullptr;
};
