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
  virtual bool Load(uint16_t cmper, uint16_t inci) { return LoadOf(*this, cmper, inci); }
  // Appends the record as a new incidence of cmper (never overwrites one).
  // False when not loaded or when the host refuses.
  virtual bool SaveAs(uint16_t cmper) { return SaveAsOf(*this, cmper); }

  // Load and SaveAs of `record`, read through its class Record, as
  // LoadCurrentOf: a final record class's own Load and SaveAs reach the host
  // without a virtual call for its tag, size or version.
  template <typename Record>
  static bool LoadOf(Record& record, uint16_t cmper, uint16_t inci) {
    record.SetAddress(cmper, inci);
    return LoadCurrentOf(record);
  }
  template <typename Record>
  static bool SaveAsOf(Record& record, uint16_t cmper) {
    if (record.LoadedSize() == 0) return false;
    record.SetAddress(cmper, kAssignedByHost);
    return host::CreateEData(record.DataTag(), record.AddressBlock(), record.RecordBytes(),
                             static_cast<uint32_t>(record.LoadedSize()), record.DataVersion()) != 0;
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
