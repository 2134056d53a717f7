// QCMultiMeasureRestPrefs: the document's multimeasure-rest preferences
// ('pfmm'), presented as one legacy record assembled from the host's setting
// records (host/legacy_prefs.h) and spread back into them on Save.
//
// The record lives inside the object. A new object is not loaded; Load makes
// it so, whatever the cmper, since every cmper yields the same record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "framework/prefs_base.h"
#include "host/legacy_prefs.h"

class QCMultiMeasureRestPrefs : public QCPrefsBase {
 public:
  static constexpr int32_t kClassID = class_id::kMultiMeasureRestPrefs;
  static constexpr uint32_t kTag = host::kMultiMeasureRestPrefsTag;
  // Legacy record: thirteen u16 words, 26 bytes. Words 0 to 11 are carried
  // unread; word 12 (bytes 24 and 25) is splitGate: 0 means multimeasure
  // rests are split where a new piece starts, anything else leaves them.
  static constexpr int32_t kRecordSize = 26;
  static constexpr size_t kSplitGateOffset = 24;

  // Not loaded; the record is all zero and the record pointer unset.
  QCMultiMeasureRestPrefs() = default;
  QCMultiMeasureRestPrefs(const QCMultiMeasureRestPrefs&) = delete;
  QCMultiMeasureRestPrefs& operator=(const QCMultiMeasureRestPrefs&) = delete;

  int32_t ClassID() const override;
  const char* ClassName() const override;

  uint8_t* DataBuffer() override { return record_; }
  // A new, unloaded object.
  std::unique_ptr<QCBaseData> CreateInstance() const override;
  uint32_t DataTag() const override { return kTag; }
  int32_t DataSize() const override { return kRecordSize; }
  // Copies the other object's 26 bytes and marks this one loaded. Anything
  // but a preference object of this class is ignored.
  void CopyDataFrom(QCBaseData& other) override;

  // Keeps cmper as the address (the inci stays) and assembles the record from
  // the setting records. True once assembled; a setting record the host
  // cannot supply reads as zeros and is not reported.
  bool Load(uint16_t cmper) override;
  // Writes back the setting records whose words the record changed. False
  // when not loaded (no host call); failed setting-record saves are not
  // reported.
  bool Save() override;
  // False when not loaded; otherwise Load at the current cmper.
  bool Reload() override;

  uint16_t SplitGate() const;
  void SetSplitGate(uint16_t value);

 private:
  uint8_t record_[kRecordSize] = {};
};

static_assert(RecordPool::Holds<QCMultiMeasureRestPrefs>(),
              "QCMultiMeasureRestPrefs outgrows the record pool: raise RecordPool::kLargestPooled");
