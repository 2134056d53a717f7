// QCCollectionInciOther: a data collection whose elements are incidence
// records (QCInciOther), handled one cmper at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <type_traits>

#include "framework/collection_data.h"
#include "framework/inci_other.h"

class QCCollectionInciOther : public QCCollectionData {
 public:
  const char* ClassName() const override;

  // A new default element, owned by the caller.
  virtual std::unique_ptr<QCInciOther> CreateInciElement() const = 0;
  std::unique_ptr<QCBaseData> CreateElement() const override { return CreateInciElement(); }

  // Deletes every incidence of cmper in the host, highest inci first. True
  // when there was nothing to delete (no incidence 0, on two looks) or all
  // were deleted; false at the first load or delete that fails, or when an
  // incidence past the counted ones is still there afterwards.
  virtual bool DeleteAllForCmper(uint16_t cmper);
  // Replaces the content with incidences 0, 1, 2, ... of cmper, up to the
  // first that does not load or is found without bytes. Returns the count.
  virtual int32_t LoadAllForCmper(uint16_t cmper);
  // Replaces all incidences of cmper in the host by the elements, in
  // position order. False when the delete fails (nothing written) or at the
  // first element that cannot be appended.
  virtual bool SaveAllForCmper(uint16_t cmper);

 protected:
  // DeleteAllForCmper and LoadAllForCmper for elements of class Element. A
  // list whose element class is final uses them with that class, so that
  // the loads and deletes of its records are resolved when compiled.
  template <typename Element>
  bool DeleteAllForCmperAs(uint16_t cmper);
  template <typename Element>
  int32_t LoadAllForCmperAs(uint16_t cmper);
  // SaveAllForCmper for elements of class Element; an element of another
  // class fails it, as a missing element does.
  template <typename Element>
  bool SaveAllForCmperAs(uint16_t cmper);
  // A new element carrying the element tag override: made by
  // CreateInciElement for the framework's base class, directly otherwise.
  template <typename Element>
  std::unique_ptr<Element> NewInciProbe() const;
  // A new default element: CreateInciElement for the framework's base class,
  // a plain new object of a record class.
  template <typename Element>
  std::unique_ptr<Element> NewInciElement() const;

  // Incidence numbers are 16-bit and 0xFFFF is the "assign one" placeholder,
  // so no cmper can hold more incidences than this. A host that answers
  // every load would otherwise keep the counting loops going round for ever.
  static constexpr uint32_t kMaxIncidences = 0xFFFF;
};

template <typename Element>
std::unique_ptr<Element> QCCollectionInciOther::NewInciProbe() const {
  std::unique_ptr<Element> probe = NewInciElement<Element>();
  probe->SetTagOverride(ElementTagOverride());
  return probe;
}

template <typename Element>
std::unique_ptr<Element> QCCollectionInciOther::NewInciElement() const {
  if constexpr (std::is_abstract_v<Element>) {
    return CreateInciElement();
  } else {
    return std::make_unique<Element>();
  }
}

template <typename Element>
bool QCCollectionInciOther::DeleteAllForCmperAs(uint16_t cmper) {
  std::unique_ptr<Element> probe = NewInciProbe<Element>();
  // A refused load looks like a missing incidence, and a list written over
  // a cmper taken for empty would follow the entries still there; so an
  // empty cmper is one whose incidence 0 is missing twice over.
  if (!probe->Load(cmper, 0) && !probe->Load(cmper, 0)) return true;
  uint32_t count = 1;
  while (count < kMaxIncidences && probe->Load(cmper, static_cast<uint16_t>(count))) ++count;
  for (uint32_t inci = count; inci-- > 0;) {
    if (!probe->Load(cmper, static_cast<uint16_t>(inci)) || !probe->DeleteData()) return false;
  }
  // The count ends at the first incidence that does not load, which a host's
  // refused load also looks like: an incidence still found there was not
  // counted, and the cmper is not empty.
  return count == kMaxIncidences || !probe->Load(cmper, static_cast<uint16_t>(count));
}

template <typename Element>
int32_t QCCollectionInciOther::LoadAllForCmperAs(uint16_t cmper) {
  ClearAll();
  std::unique_ptr<Element> probe = NewInciProbe<Element>();
  // An incidence found without bytes is not loaded, and ends the list as a
  // missing one does.
  for (uint32_t inci = 0;
       inci < kMaxIncidences && probe->Load(cmper, static_cast<uint16_t>(inci)) &&
       probe->LoadedSize() != 0;
       ++inci) {
    // As AppendLoaded: each entry keeps the object that loaded it.
    Append(std::move(probe));
    probe = NewInciProbe<Element>();
  }
  return Count();
}

template <typename Element>
bool QCCollectionInciOther::SaveAllForCmperAs(uint16_t cmper) {
  if (!DeleteAllForCmper(cmper)) return false;
  for (int32_t position = 0; position < Count(); ++position) {
    auto* element = RecordCast<Element>(ItemAt(position));
    if (element == nullptr) return false;
    element->SetTagOverride(ElementTagOverride());
    if (!element->SaveAs(cmper)) return false;
  }
  return true;
}
