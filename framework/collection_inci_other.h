// QCCollectionInciOther: a data collection whose elements are incidence
// records (QCInciOther), handled one cmper at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>

#include "framework/collection_data.h"
#include "framework/inci_other.h"

class QCCollectionInciOther : public QCCollectionData {
 public:
  const char* ClassName() const override;

  // A new default element, owned by the caller.
  virtual std::unique_ptr<QCInciOther> CreateInciElement() const = 0;
  std::unique_ptr<QCBaseData> CreateElement() const override { return CreateInciElement(); }

  // Deletes every incidence of cmper in the host, each with what depends on
  // it (DeepDeleteData), highest inci first. The incidences are all found
  // before the first delete: true when there were none or all were deleted;
  // false, with nothing deleted, when the host does not tell where the list
  // ends (see LoadAllForCmper), or at the first delete the host refuses.
  virtual bool DeleteAllForCmper(uint16_t cmper);
  // Replaces the content with every incidence of cmper, in inci order, each
  // the object that loaded it (at its own address). Returns the count;
  // LoadedWhole() then tells whether that is the whole list.
  virtual int32_t LoadAllForCmper(uint16_t cmper);
  // Replaces all incidences of cmper in the host by the elements, in
  // position order. False when the delete fails (nothing written) or at the
  // first element that cannot be appended.
  virtual bool SaveAllForCmper(uint16_t cmper);

  // True when the last LoadAllForCmper read the whole list: the host told
  // where it ends and delivered every entry with its bytes.
  bool LoadedWhole() const { return loaded_whole_; }
  // Reads the list of cmper as LoadAllForCmper does, keeping nothing: true
  // when the host delivers it whole. The content is left as it was.
  virtual bool ReadsWholeForCmper(uint16_t cmper) const;

 protected:
  // DeleteAllForCmper and LoadAllForCmper for elements of class Element. A
  // list whose element class is final uses them with that class, so that
  // the loads and deletes of its records are resolved when compiled.
  template <typename Element>
  bool DeleteAllForCmperAs(uint16_t cmper);
  template <typename Element>
  int32_t LoadAllForCmperAs(uint16_t cmper);
  // LoadAllForCmperAs, loading the elements the collection holds again, in
  // position order, before new ones are made. Only for an element class
  // whose Load sets every byte and field the object carries, so that a
  // reloaded element cannot be told from a new one.
  template <typename Element>
  int32_t ReloadAllForCmperAs(uint16_t cmper);
  // True when every element is an Element (or null), as the last
  // ReloadAllForCmperAs of that class left them and nothing was put in
  // since: a list walk may then take each element as an Element without
  // checking it.
  template <typename Element>
  bool HoldsOnlyReloaded() const {
    return reloaded_class_ == Element::kClassID && reloaded_at_ == Additions();
  }
  template <typename Element>
  bool ReadsWholeForCmperAs(uint16_t cmper) const;
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

 private:
  // Hands `take` every incidence of cmper, loaded, in inci order, through
  // gaps in the numbers; `take` may keep the object (moving it out of the
  // pointer it is handed) or leave it to be loaded again. The objects loaded
  // are `probe` (not null) and, after each one kept, one from `next_probe`;
  // the last is left in `probe`. True when that was the whole list; false
  // at an incidence found without bytes, or one the host names but does not
  // deliver, or when the host does not tell where the list ends.
  template <typename Element, typename Take, typename Probes>
  bool ReadIncidences(uint16_t cmper, std::unique_ptr<Element>& probe, Take take,
                      Probes next_probe) const;
  // ReadIncidences with new probes.
  template <typename Element, typename Take>
  bool ReadIncidences(uint16_t cmper, Take take) const {
    std::unique_ptr<Element> probe = NewInciProbe<Element>();
    return ReadIncidences<Element>(cmper, probe, take, [this] { return NewInciProbe<Element>(); });
  }
  // The object the last reusing read left over, when that read was one of
  // Element, as a probe carrying the element tag override; otherwise a new
  // probe.
  template <typename Element>
  std::unique_ptr<Element> SpareOrNewProbe() const;
  // The number a spare read as Element is kept under: the class's own, or
  // kNone for the framework's base class, whose probes are the collection's
  // CreateInciElement objects.
  template <typename Element>
  static constexpr int32_t ProbeClass() {
    if constexpr (requires { Element::kClassID; }) {
      return Element::kClassID;
    } else {
      static_assert(std::is_same_v<Element, QCInciOther>, "a probe class has a number");
      return class_id::kNone;
    }
  }
  // Keeps `probe` (when there is one) as the next read's spare.
  template <typename Element>
  void KeepSpareProbe(std::unique_ptr<Element> probe) const;

  bool loaded_whole_ = true;
  // Left over from the last ReadsWholeForCmperAs or ReloadAllForCmperAs,
  // for the next one to load instead of making an object. A walk reading
  // list after list made and destroyed one per list. (Not the content,
  // which ReadsWholeForCmper leaves as it was.)
  mutable std::unique_ptr<QCInciOther> spare_probe_;
  // The number of the class the spare was read as, kNone for a class
  // without one.
  mutable int32_t spare_class_ = class_id::kNone;
  // The class of the elements the last ReloadAllForCmperAs left, and
  // Additions() when it ended.
  int32_t reloaded_class_ = class_id::kNone;
  uint64_t reloaded_at_ = 0;
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
std::unique_ptr<Element> QCCollectionInciOther::SpareOrNewProbe() const {
  // A probe's class decides which records it reads (a final class has a
  // tag of its own), so a spare read as another class, even one it could be
  // cast to, would read another kind of list.
  if (spare_probe_ == nullptr || spare_class_ != ProbeClass<Element>()) {
    return NewInciProbe<Element>();
  }
  auto* spare = static_cast<Element*>(spare_probe_.release());
  spare->SetTagOverride(ElementTagOverride());
  return std::unique_ptr<Element>(spare);
}

template <typename Element>
void QCCollectionInciOther::KeepSpareProbe(std::unique_ptr<Element> probe) const {
  if (probe == nullptr) return;
  spare_class_ = ProbeClass<Element>();
  spare_probe_ = std::move(probe);
}

template <typename Element, typename Take, typename Probes>
bool QCCollectionInciOther::ReadIncidences(uint16_t cmper, std::unique_ptr<Element>& probe,
                                           Take take, Probes next_probe) const {
  // Rationale: an incidence that does not load may be missing, or refused
  // by the host, and the numbers may leave gaps (a host deletes one entry
  // without renumbering the rest). So where a load finds nothing, the host's
  // next-record step says what follows: the next incidence of this cmper,
  // which is then loaded, or a record elsewhere (or none), which ends the
  // list. A list taken short would mix with the entries left behind once
  // another list is written over it.
  bool any_read = false;
  uint16_t last_read = 0;
  bool zero_looked_again = false;
  // The host named this incidence as the next one: it must load, on at most
  // two looks.
  bool named = false;
  bool named_looked_again = false;
  uint32_t inci = 0;
  while (inci < kMaxIncidences) {
    if (probe->Load(cmper, static_cast<uint16_t>(inci))) {
      if (probe->LoadedSize() == 0) return false;  // its bytes cannot be carried
      any_read = true;
      last_read = static_cast<uint16_t>(inci++);
      named = named_looked_again = false;
      take(probe);
      if (probe == nullptr) probe = next_probe();
      continue;
    }
    if (named) {
      if (named_looked_again) return false;
      named_looked_again = true;
      continue;
    }
    // A refused load of incidence 0 must not pass for an empty list: a
    // second look first. (From an address that holds a record, the step
    // names the one after it, so it cannot tell that incidence 0 is there.)
    if (!any_read && !zero_looked_again) {
      zero_looked_again = true;
      continue;
    }
    // From the last incidence read, or from incidence 0 when none was: an
    // ordered store names what follows an address that holds nothing.
    probe->SetAddress(cmper, last_read);
    // No record of the kind follows, on two looks: a refused step looks the
    // same as the end.
    if (!QCBaseData::MoveToNextOf(*probe) && !QCBaseData::MoveToNextOf(*probe)) return true;
    if (probe->Cmper() != cmper) return true;
    // A step that stands still, or comes round to an incidence already
    // passed, does not tell where the list ends. (Where none was read, a
    // step standing still names incidence 0, which then twice does not load.)
    if (any_read && probe->Inci() <= last_read) return false;
    inci = probe->Inci();
    named = true;
  }
  return true;
}

template <typename Element>
bool QCCollectionInciOther::DeleteAllForCmperAs(uint16_t cmper) {
  // The incidences found, held by a plain collection: the content of this
  // one is what SaveAllForCmper writes after the delete.
  QCCollection found;
  if (!ReadIncidences<Element>(
          cmper, [&](std::unique_ptr<Element>& entry) { found.Append(std::move(entry)); })) {
    return false;
  }
  for (int32_t position = found.Count(); position-- > 0;) {
    if (!static_cast<Element*>(found.ItemAt(position))->DeepDeleteData()) return false;
  }
  return true;
}

template <typename Element>
int32_t QCCollectionInciOther::LoadAllForCmperAs(uint16_t cmper) {
  ClearAll();
  // As AppendLoaded: each entry keeps the object that loaded it.
  loaded_whole_ = ReadIncidences<Element>(
      cmper, [this](std::unique_ptr<Element>& entry) { Append(std::move(entry)); });
  return Count();
}

template <typename Element>
int32_t QCCollectionInciOther::ReloadAllForCmperAs(uint16_t cmper) {
  // Rationale: a cut reads list after list into the same collections, and
  // an object made and destroyed per entry read was a good part of the
  // module's own work. Position k's old object loads entry k; the entries
  // kept go to the positions from 0 on, which are by then emptied.
  static_assert(Element::kClassID != class_id::kNone, "a reloaded class has a number");
  const int32_t spares = Count();
  // Each spare is checked unless this list holds what its last reload left.
  const bool spares_reloaded = HoldsOnlyReloaded<Element>();
  int32_t offered = 0;
  int32_t kept = 0;
  const auto next_probe = [&]() -> std::unique_ptr<Element> {
    while (offered < spares) {
      std::unique_ptr<QCBase> spare = TakeAt(offered++);
      auto* element =
          spares_reloaded ? static_cast<Element*>(spare.get()) : RecordCast<Element>(spare.get());
      if (element != nullptr) {
        spare.release();
        element->SetTagOverride(ElementTagOverride());
        return std::unique_ptr<Element>(element);
      }
    }
    return SpareOrNewProbe<Element>();
  };
  std::unique_ptr<Element> probe = next_probe();
  loaded_whole_ = ReadIncidences<Element>(
      cmper, probe, [&](std::unique_ptr<Element>& entry) { PutAt(kept++, std::move(entry)); },
      next_probe);
  KeepSpareProbe(std::move(probe));
  TruncateTo(kept);
  reloaded_class_ = Element::kClassID;
  reloaded_at_ = Additions();
  return Count();
}

template <typename Element>
bool QCCollectionInciOther::ReadsWholeForCmperAs(uint16_t cmper) const {
  // Only the host's answers decide, so the probe may be one that loaded
  // before.
  std::unique_ptr<Element> probe = SpareOrNewProbe<Element>();
  const bool whole = ReadIncidences<Element>(
      cmper, probe, [](std::unique_ptr<Element>&) {}, [this] { return NewInciProbe<Element>(); });
  KeepSpareProbe(std::move(probe));
  return whole;
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
