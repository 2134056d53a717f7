#include "records/freeze_system.h"

#include "host/byte_order.h"
#include "records/record_copy.h"

QCFreezeSystem::QCFreezeSystem() {
  host::WriteU16(record_, kDefaultWordOffset, kDefaultWord);
  UseStorage(record_, kRecordSize);
}

int32_t QCFreezeSystem::ClassID() const {
  return class_id::kFreezeSystem;
}

const char* QCFreezeSystem::ClassName() const {
  static constexpr char kName[] = "QCFreezeSystem";
  return kName;
}

std::unique_ptr<QCBaseData> QCFreezeSystem::CreateInstance() const {
  return std::make_unique<QCFreezeSystem>();
}

void QCFreezeSystem::CopyDataFrom(QCBaseData& other) {
  auto* freeze = RecordCast<QCFreezeSystem>(&other);
  if (freeze == nullptr) return;
  UseStorage(record_, records::CopyDeliveredBytes(*freeze, record_, sizeof record_));
}

int16_t QCFreezeSystem::EndMeasure() const {
  return host::ReadI16(record_, kEndMeasureOffset);
}

void QCFreezeSystem::SetEndMeasure(int16_t measure) {
  host::WriteU16(record_, kEndMeasureOffset, static_cast<uint16_t>(measure));
}
