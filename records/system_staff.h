// QCSystemStaff: one staff entry of a system's staff list, the host's
// system-staff record 'SOIu', with the entry's staff detail record 'dtLP'.
//
// Entries are incidences: addressed by the system number as cmper and the
// entry's position in the system's list as inci. Beside an entry the host may
// keep a staff detail record, addressed by (system number, staff), whose
// first word the object carries as detailValue (100 when there is none).
// Loading an entry reads its detail record; saving it writes the detail
// record, or removes it when detailValue is 100. A new object is already
// loaded with a zero record, so it can be filed without a load.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "framework/inci_other.h"

class QCSystemStaff final : public QCInciOther {
 public:
  static constexpr int32_t kClassID = class_id::kSystemStaff;
  // Host formats; these numbers must not change.
  static constexpr uint32_t kTag = 0x534F4975;  // 'SOIu'
  // Record (24 bytes, little-endian): staff: u16 @0, reserved: 22 bytes @2.
  static constexpr int32_t kRecordSize = 24;
  static constexpr size_t kStaffOffset = 0;

  static constexpr uint32_t kDetailTag = 0x64744C50;  // 'dtLP'
  // Staff detail record (10 bytes, little-endian), addressed by
  // (system number, staff): value: i16 @0, then 8 bytes @2 that the host
  // keeps and the module carries as they were (zero in a new record).
  static constexpr int32_t kDetailSize = 10;
  static constexpr size_t kDetailValueOffset = 0;
  // detailValue of an entry without a detail record.
  static constexpr int32_t kNoDetail = 100;

  // Zero record, loaded (24 bytes), no address, detailValue 100.
  QCSystemStaff() { UseStorage(record_, kRecordSize); }

  int32_t ClassID() const override;
  const char* ClassName() const override;

  uint8_t* DataBuffer() override { return record_; }
  std::unique_ptr<QCBaseData> CreateInstance() const override;
  uint32_t DataTag() const override { return kTag; }
  int32_t DataSize() const override { return kRecordSize; }
  // Copies the bytes `other` (a QCSystemStaff) holds, its loaded size and its
  // detailValue (100 when `other` is filed under system 0). Bytes it does not
  // hold read as zero. The address is not copied.
  void CopyDataFrom(QCBaseData& other) override;

  // Loads the entry at (cmper, inci), then its detail record unless cmper is
  // 0. A missing detail record is no failure: detailValue is then 100. The
  // detail record's bytes travel with the entry: copies carry them and every
  // save writes them back, with detailValue as the value.
  bool Load(uint16_t cmper, uint16_t inci) override;
  // Writes the entry at its address, then the detail step below. False when
  // the entry is not written; otherwise the detail step's result.
  bool Save() override;
  // Files the entry as a new incidence of cmper, then the detail step.
  bool SaveAs(uint16_t cmper) override;
  // Deletes the entry at its address, then the detail record found beside
  // it when it was loaded (a detail belongs to its entry, and left behind it
  // would be taken by the next entry of that staff filed under the number).
  // False when the host refuses the entry's delete (the detail then stays);
  // the detail's delete is not checked.
  bool DeepDeleteData() override;
  // When the load found no detail record, loads it once more and answers
  // whether one was found then: a refused load cannot be told from a missing
  // record, and an entry moved without its detail would lose it.
  bool LookAgainForDetail();
  // True when a detail record was found beside the entry when it was loaded
  // (or beside the entry it was copied from).
  bool HasDetailRecord() const { return detail_found_; }

  uint16_t Staff() const;
  void SetStaff(uint16_t staff);
  int32_t DetailValue() const { return detail_value_; }
  void SetDetailValue(int32_t value) { detail_value_ = value; }

 private:
  // detailValue 100 and nothing else in the detail bytes: removes the detail
  // record at (cmper, staff) and answers true. Otherwise writes the detail
  // bytes there with detailValue as the value; true when the host accepted
  // them. An entry loaded too short to name its staff touches no detail
  // record and answers true only for 100.
  bool SaveDetail();
  // True when the detail bytes past the value are all zero.
  bool DetailIsOnlyItsValue() const;
  // Loads the detail record at (cmper, staff) into the detail bytes; true
  // when one holding at least the value was found.
  bool LoadDetail();

  uint8_t record_[kRecordSize] = {};
  int32_t detail_value_ = kNoDetail;
  // The detail record as loaded (zero when there is none); its value word is
  // detail_value_'s, written at save.
  uint8_t detail_[kDetailSize] = {};
  bool detail_found_ = false;
};

static_assert(RecordPool::Holds<QCSystemStaff>(),
              "QCSystemStaff outgrows the record pool: raise RecordPool::kLargestPooled");
