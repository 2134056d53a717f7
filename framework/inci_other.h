// QCInciOther: records of which several, the incidences 0, 1, 2, ..., share
// one cmper. There is no first record of the kind: they are reached by cmper.
#pragma once

#include <cstdint>

#include "framework/other.h"

class QCInciOther : public QCOther {
 public:
  const char* ClassName() const override;
  QCInciOther* AsInciOther() override { return this; }

  // Sets the address (cmper, inci) and loads it.
  virtual bool Load(uint16_t cmper, uint16_t inci) {
    SetAddress(cmper, inci);
    return LoadCurrent();
  }
  // Appends the record as a new incidence of cmper (never overwrites one).
  // False when not loaded or when the host refuses.
  virtual bool SaveAs(uint16_t cmper) {
    if (LoadedSize() == 0) return false;
    SetAddress(cmper, kAssignedByHost);
    return host::CreateEData(DataTag(), AddressBlock(), RecordBytes(),
                             static_cast<uint32_t>(LoadedSize()), DataVersion()) != 0;
  }

  // Always false, without a host call.
  bool LoadFirst() override { return false; }
  // False when not loaded; otherwise Load at the current address.
  bool Reload() override;
};

template <>
inline QCInciOther* RecordCast<QCInciOther>(QCBase* object) {
  QCBaseData* data = RecordCast<QCBaseData>(object);
  return data == nullptr ? nullptr : data->AsInciOther();
}
