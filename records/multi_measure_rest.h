// QCMultiMeasureRest: one multimeasure rest of the current part (tag
// 0x4F025849). A rest covers the measures from its cmper up to, but not
// including, EndMeasure().
//
// The record lives inside the object. A new rest is saveable at once (word 0
// is 300, everything else 0); a rest is never created with SaveNew, only
// written at an address with Save or SaveAs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "framework/no_inci_other.h"

class QCMultiMeasureRest final : public QCNoInciOther {
 public:
  static constexpr int32_t kClassID = class_id::kMultiMeasureRest;
  static constexpr uint32_t kTag = 0x4F025849;  // 'O', 2, 'X', 'I'
  // Rest record (host format), addressed by (first measure, 0):
  //   word 0: u16 @0 (300 in a new object), endMeasure: i16 @2 (exclusive),
  //   words 2-11: 20 bytes @4, carried unread.
  static constexpr int32_t kRecordSize = 24;
  static constexpr size_t kWord0Offset = 0;
  static constexpr size_t kEndMeasureOffset = 2;
  static constexpr uint16_t kNewRestWord0 = 300;

  // Word 0 = 300, the rest zero; loaded size 24; address (0, 0).
  QCMultiMeasureRest();
  QCMultiMeasureRest(const QCMultiMeasureRest&) = delete;
  QCMultiMeasureRest& operator=(const QCMultiMeasureRest&) = delete;

  int32_t ClassID() const override;
  const char* ClassName() const override;

  uint8_t* DataBuffer() override { return record_; }
  // A new rest, as the constructor makes it.
  std::unique_ptr<QCBaseData> CreateInstance() const override;
  uint32_t DataTag() const override { return kTag; }
  int32_t DataSize() const override { return kRecordSize; }
  // Copies the other rest's 24 bytes (zeros after a shorter load) and marks
  // this one loaded with 24. Anything but a rest is ignored.
  void CopyDataFrom(QCBaseData& other) override;

  // The first rest that the host's next-record step gives after address
  // (0, 0): Load(0), whose result does not matter, then LoadNext(). A rest
  // stored at cmper 0 is therefore passed over.
  bool LoadFirst() override;
  // Always false, without a host call.
  bool SaveNew() override { return false; }

  // The first measure: the cmper, as a signed measure number.
  int16_t FirstMeasure() const { return static_cast<int16_t>(ItemCmper()); }
  int16_t EndMeasure() const;
  void SetEndMeasure(int16_t measure);

 private:
  uint8_t record_[kRecordSize] = {};
};

static_assert(RecordPool::Holds<QCMultiMeasureRest>(),
              "QCMultiMeasureRest outgrows the record pool: raise RecordPool::kLargestPooled");
