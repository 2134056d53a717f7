// QCCollectionData: a collection of record objects of one class, filled from
// the host by walking the records of that class and written back from it.
// Each element is the independent object that loaded its record, with its own
// address and bytes; a short record's bytes past the delivered ones read as
// zero, and a record delivered without bytes stays not loaded.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>

#include "framework/base_data.h"
#include "framework/collection.h"

class QCCollectionData : public QCCollection {
 public:
  const char* ClassName() const override;

  // A new default object of the element class, owned by the caller.
  virtual std::unique_ptr<QCBaseData> CreateElement() const = 0;
  // Replaces the content with every record of the kind, in the host's
  // order, starting from the element class's LoadFirst and following the
  // host's next-record step (MoveToNext, then LoadCurrent). Returns the
  // count. A host whose next-record step leaves the address where it was
  // ends the walk.
  virtual int32_t LoadAll();
  // Saves every element in position order; false at the first that fails
  // (the rest are not saved).
  virtual bool SaveAll();

  // True when the last LoadAll walked to the host's last record of the kind;
  // false when a record the host named could not be loaded or the host's
  // walk stood still, so that the collection may lack records. Callers that
  // rewrite records by their position among all of them need a whole list.
  bool Complete() const { return complete_; }

  // Written into the probe before loading and into every element before
  // saving; 0 means the element class's own tag.
  uint32_t ElementTagOverride() const { return element_tag_override_; }
  void SetElementTagOverride(uint32_t tag) { element_tag_override_ = tag; }

 protected:
  // LoadAll for elements of class Element. A collection whose element class
  // is final lists with that class (its LoadAll calls LoadAllAs<Class>), so
  // that the loads of the walk are resolved when compiled, not per record.
  template <typename Element>
  int32_t LoadAllAs();
  // A new element carrying the element tag override, to load records into:
  // made by CreateElement for the framework's base class, directly for a
  // record class.
  template <typename Element>
  std::unique_ptr<Element> NewProbe() const;
  // A new default element: CreateElement for the framework's base class, a
  // plain new object of a record class.
  template <typename Element>
  std::unique_ptr<Element> NewElement() const;
  // Appends the object `probe` that has just loaded a record and leaves in
  // `probe` a new object, at the same address, to load the next one. No
  // object ever holds two records in turn, so none can carry bytes of
  // another. (Declared inline where it is defined: it runs once per listed
  // record, and the compiler then keeps it in the walk.)
  template <typename Element>
  void AppendLoaded(std::unique_ptr<Element>& probe);

 private:
  uint32_t element_tag_override_ = 0;
  bool complete_ = false;
};

template <typename Element>
std::unique_ptr<Element> QCCollectionData::NewProbe() const {
  std::unique_ptr<Element> probe = NewElement<Element>();
  probe->SetTagOverride(element_tag_override_);
  return probe;
}

template <typename Element>
std::unique_ptr<Element> QCCollectionData::NewElement() const {
  if constexpr (std::is_abstract_v<Element>) {
    return CreateElement();
  } else {
    return std::make_unique<Element>();
  }
}

template <typename Element>
inline void QCCollectionData::AppendLoaded(std::unique_ptr<Element>& probe) {
  std::unique_ptr<Element> next = NewProbe<Element>();
  std::memcpy(next->AddressBlock(), probe->AddressBlock(), QCBaseData::kAddressSize);
  Append(std::move(probe));
  probe = std::move(next);
}

template <typename Element>
int32_t QCCollectionData::LoadAllAs() {
  ClearAll();
  complete_ = false;
  std::unique_ptr<Element> probe = NewProbe<Element>();
  if (!probe->LoadFirst()) {
    // Nothing to list: a kind without a first record counts as whole, since
    // a list without elements gives nothing to rewrite.
    complete_ = true;
    return Count();
  }
  // A host whose next-record walk comes back to an address it gave before
  // would have us append for ever. Brent's cycle test spots any such loop
  // (a walk that stands still is the shortest) with one saved address: the
  // walk ends within twice the loop's length, and the list counts as partial.
  uint8_t saved[QCBaseData::kAddressSize];
  std::memcpy(saved, probe->AddressBlock(), sizeof saved);
  uint32_t power = 1, steps = 0;
  for (;;) {
    // The list is whole when the host has no next record after one that
    // loaded with bytes; a next record that does not load leaves it partial.
    const bool last_had_bytes = probe->LoadedSize() != 0;
    AppendLoaded(probe);
    if (!QCBaseData::MoveToNextOf(*probe)) {
      complete_ = last_had_bytes;
      break;
    }
    if (!QCBaseData::LoadCurrentOf(*probe)) break;
    if (std::memcmp(saved, probe->AddressBlock(), sizeof saved) == 0) break;
    if (++steps == power) {
      std::memcpy(saved, probe->AddressBlock(), sizeof saved);
      power *= 2;
      steps = 0;
    }
  }
  return Count();
}
