// QCEnclosure: the 12-byte enclosure record ('otDe'), which the module copies
// as a whole and never interprets.
//
// An enclosure either stands alone, its bytes in storage of its own, or lives
// inside a measure-number region, its bytes a 12-byte piece of the region's
// record (the region owns that storage). Its own Load and Save would still
// address an 'otDe' record (or the tag override) by cmper. Because the data
// pointer may point into the object itself, an enclosure is never copied or
// moved.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/no_inci_other.h"

class QCEnclosure final : public QCNoInciOther {
 public:
  // Enclosure record: 12 bytes, addressed by (cmper, 0). Host format.
  static constexpr int32_t kClassID = class_id::kEnclosure;
  static constexpr uint32_t kTag = 0x6F744465;  // 'otDe'
  static constexpr int32_t kRecordSize = 12;

  // A standalone enclosure: own storage, all zero, not loaded.
  QCEnclosure() = default;
  // An enclosure whose bytes are the 12 bytes at `record_piece`, which belong
  // to the caller and must outlive the enclosure. Not loaded.
  explicit QCEnclosure(uint8_t* record_piece) : data_(record_piece) {}
  QCEnclosure(const QCEnclosure&) = delete;
  QCEnclosure& operator=(const QCEnclosure&) = delete;

  int32_t ClassID() const override;
  const char* ClassName() const override;

  // The data pointer: own storage or the owner's piece.
  uint8_t* DataBuffer() override { return data_; }
  // A standalone enclosure.
  std::unique_ptr<QCBaseData> CreateInstance() const override;
  // The tag override when it is nonzero, otherwise 'otDe'.
  uint32_t DataTag() const override;
  int32_t DataSize() const override { return kRecordSize; }
  // Copies the 12 bytes at the other enclosure's data pointer to this one's
  // and marks this enclosure loaded. Anything but an enclosure is ignored.
  void CopyDataFrom(QCBaseData& other) override;

 private:
  uint8_t own_[kRecordSize] = {};
  uint8_t* data_ = own_;
};

static_assert(RecordPool::Holds<QCEnclosure>(),
              "QCEnclosure outgrows the record pool: raise RecordPool::kLargestPooled");
