// QCFreezeSystem: the frozen-system record 'otFM' of the current part.
//
// Filed under the first measure of the system it belongs to (cmper), inci 0,
// it repeats where that system ends. A new object is already loaded with the
// host's default record, so it can be written under a measure without a
// load. The record lives inside the object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "framework/no_inci_other.h"

class QCFreezeSystem final : public QCNoInciOther {
 public:
  static constexpr int32_t kClassID = class_id::kFreezeSystem;
  // Host format; these numbers must not change.
  static constexpr uint32_t kTag = 0x6F74464D;  // 'otFM'
  // Record (12 bytes, little-endian):
  //   endMeasure: i16 @0, reserved: u16 @2 (1 in a new record),
  //   reserved: 8 bytes @4 (0 in a new record)
  static constexpr int32_t kRecordSize = 12;
  static constexpr size_t kEndMeasureOffset = 0;
  static constexpr size_t kDefaultWordOffset = 2;
  static constexpr uint16_t kDefaultWord = 1;

  // The default record, loaded, no address.
  QCFreezeSystem();

  int32_t ClassID() const override;
  const char* ClassName() const override;

  uint8_t* DataBuffer() override { return record_; }
  std::unique_ptr<QCBaseData> CreateInstance() const override;
  uint32_t DataTag() const override { return kTag; }
  int32_t DataSize() const override { return kRecordSize; }
  // Copies the bytes `other` (a QCFreezeSystem) holds and its loaded size;
  // bytes it does not hold read as zero. The address is not copied.
  void CopyDataFrom(QCBaseData& other) override;

  int16_t EndMeasure() const;
  void SetEndMeasure(int16_t measure);

 private:
  uint8_t record_[kRecordSize] = {};
};

static_assert(RecordPool::Holds<QCFreezeSystem>(),
              "QCFreezeSystem outgrows the record pool: raise RecordPool::kLargestPooled");
