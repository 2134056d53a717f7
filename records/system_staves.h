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
};
