#include "records/part.h"

#include <cstring>

#include "host/host_services.h"

QCPart::QCPart(int16_t part_id)
    : part_id_(part_id == kCurrentPart ? host::GetCurrentPartID() : part_id),
      part_document_id_(host::GetCurrentCantorDocument()) {}

int32_t QCPart::ClassID() const {
  return class_id::kPart;
}

const char* QCPart::ClassName() const {
  static constexpr char kName[] = "QCPart";
  return kName;
}

bool QCPart::IsSameClass(const QCBase* other) const {
  if (other == nullptr || other->ClassName() != ClassName()) return false;
  const auto* part = RecordCast<QCPart>(other);
  return part != nullptr && part->part_id_ == part_id_ &&
         part->part_document_id_ == part_document_id_;
}

std::unique_ptr<QCBaseData> QCPart::CreateInstance() const {
  return std::make_unique<QCPart>(kCurrentPart);
}

void QCPart::CopyDataFrom(QCBaseData& other) {
  auto* part = RecordCast<QCPart>(&other);
  if (part == nullptr) return;
  std::memcpy(record_, part->record_, kRecordSize);
  UseStorage(record_, kRecordSize);
}
