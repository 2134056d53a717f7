// QCPart: one part of the document, the host's part record 'otpD'.
//
// A part exists for the module exactly when its 12-byte record loads; the
// bytes are never interpreted. The object remembers which part and document
// it stands for, and, during a visit, the part that was current before it.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/no_inci_other.h"
#include "framework/string.h"

class QCPart final : public QCNoInciOther {
 public:
  static constexpr int32_t kClassID = class_id::kPart;
  // Part record 'otpD': 12 bytes, addressed by (part id, 0). Host format.
  static constexpr uint32_t kTag = 0x6F747044;  // 'otpD'
  static constexpr int32_t kRecordSize = 12;
  // The part id that asks for the host's current part.
  static constexpr int16_t kCurrentPart = -1;
  // savedPartId's value when no part is held.
  static constexpr int16_t kNoSavedPart = -2;

  // An object for `part_id` (kCurrentPart: the host's current part) in the
  // document that is current now. Not loaded.
  explicit QCPart(int16_t part_id);

  int32_t ClassID() const override;
  const char* ClassName() const override;
  // Same class name text, same part id and same document.
  bool IsSameClass(const QCBase* other) const override;

  uint8_t* DataBuffer() override { return record_; }
  std::unique_ptr<QCBaseData> CreateInstance() const override;
  uint32_t DataTag() const override { return kTag; }
  int32_t DataSize() const override { return kRecordSize; }
  // Copies the 12 record bytes only; ids and address stay.
  void CopyDataFrom(QCBaseData& other) override;

  int16_t PartId() const { return part_id_; }
  int16_t PartDocumentId() const { return part_document_id_; }
  int16_t SavedPartId() const { return saved_part_id_; }
  void SetSavedPartId(int16_t id) { saved_part_id_ = id; }
  const QCString& PartName() const { return part_name_; }

 private:
  uint8_t record_[kRecordSize] = {};
  QCString part_name_;
  int16_t part_id_;
  int16_t part_document_id_;
  int16_t saved_part_id_ = kNoSavedPart;
};

static_assert(RecordPool::Holds<QCPart>(),
              "QCPart outgrows the record pool: raise RecordPool::kLargestPooled");
