// QCStaffSystems: the systems of the current part, in the host's order.
//
// LoadAll lists systems 1, 2, 3, ... (it starts at system 1 and follows the
// host's next-record walk). It owns its QCStaffSystem elements.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/collection_no_inci_other.h"
#include "records/staff_system.h"

class QCStaffSystems final : public QCCollectionNoInciOther {
 public:
  const char* ClassName() const override;
  std::unique_ptr<QCBaseData> CreateElement() const override;
  int32_t LoadAll() override { return LoadAllAs<QCStaffSystem>(); }

  // The system at `position`, or null when out of range.
  QCStaffSystem* SystemAt(int32_t position) const {
    return RecordCast<QCStaffSystem>(ItemAt(position));
  }
};
