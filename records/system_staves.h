// QCSystemStaves: the staff list of one system, handled one system number at
// a time (LoadAllForCmper, SaveAllForCmper, DeleteAllForCmper). LoadAll
// finds nothing: staff entries have no first record of their kind. It owns
// its QCSystemStaff elements.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/collection_inci_other.h"
#include "records/system_staff.h"

class QCSystemStaves final : public QCCollectionInciOther {
 public:
  const char* ClassName() const override;
  std::unique_ptr<QCInciOther> CreateInciElement() const override;
  bool DeleteAllForCmper(uint16_t cmper) override {
    return DeleteAllForCmperAs<QCSystemStaff>(cmper);
  }
  // As the framework's, and each entry's detail record is looked for twice
  // before the entry counts as having none.
  int32_t LoadAllForCmper(uint16_t cmper) override;
  bool SaveAllForCmper(uint16_t cmper) override { return SaveAllForCmperAs<QCSystemStaff>(cmper); }
  bool ReadsWholeForCmper(uint16_t cmper) const override {
    return ReadsWholeForCmperAs<QCSystemStaff>(cmper);
  }

  // The entry at `position`, or null when out of range.
  QCSystemStaff* StaffAt(int32_t position) const {
    return RecordCast<QCSystemStaff>(ItemAt(position));
  }
  // Hands `fn` each entry in position order (EachEntry) or from the last
  // (EachEntryFromLast) while it answers true. False at the first false, or
  // at an element that is not an entry. `fn` must not change the list.
  template <typename Fn>
  bool EachEntry(Fn fn) const {
    return Walk(false, fn);
  }
  template <typename Fn>
  bool EachEntryFromLast(Fn fn) const {
    return Walk(true, fn);
  }

 private:
  template <typename Fn>
  bool Walk(bool from_last, Fn& fn) const;
};

template <typename Fn>
bool QCSystemStaves::Walk(bool from_last, Fn& fn) const {
  // A list as its last load left it holds entries only: one check for the
  // list, not one per entry, on the walks a cut makes over every list.
  const bool reloaded = HoldsOnlyReloaded<QCSystemStaff>();
  const int32_t count = Count();
  for (int32_t step = 0; step < count; ++step) {
    const int32_t position = from_last ? count - 1 - step : step;
    QCSystemStaff* entry =
        reloaded ? static_cast<QCSystemStaff*>(ItemAt(position)) : StaffAt(position);
    if (entry == nullptr || !fn(*entry)) return false;
  }
  return true;
}
