#include "records/enclosure.h"

#include <cstring>

int32_t QCEnclosure::ClassID() const {
  return class_id::kEnclosure;
}

const char* QCEnclosure::ClassName() const {
  static constexpr char kName[] = "QCEnclosure";
  return kName;
}

std::unique_ptr<QCBaseData> QCEnclosure::CreateInstance() const {
  return std::make_unique<QCEnclosure>();
}

uint32_t QCEnclosure::DataTag() const {
  return TagOverride() != 0 ? TagOverride() : kTag;
}

void QCEnclosure::CopyDataFrom(QCBaseData& other) {
  auto* enclosure = RecordCast<QCEnclosure>(&other);
  if (enclosure == nullptr) return;
  if (enclosure->data_ != data_) std::memcpy(data_, enclosure->data_, kRecordSize);
  UseStorage(data_, kRecordSize);
}
