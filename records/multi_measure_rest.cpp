#include "records/multi_measure_rest.h"

#include "host/byte_order.h"
#include "records/record_copy.h"

QCMultiMeasureRest::QCMultiMeasureRest() {
  host::WriteU16(record_, kWord0Offset, kNewRestWord0);
  UseStorage(record_, kRecordSize);
}

int32_t QCMultiMeasureRest::ClassID() const {
  return class_id::kMultiMeasureRest;
}

const char* QCMultiMeasureRest::ClassName() const {
  static constexpr char kName[] = "QCMultiMeasureRest";
  return kName;
}

std::unique_ptr<QCBaseData> QCMultiMeasureRest::CreateInstance() const {
  return std::make_unique<QCMultiMeasureRest>();
}

void QCMultiMeasureRest::CopyDataFrom(QCBaseData& other) {
  auto* rest = RecordCast<QCMultiMeasureRest>(&other);
  if (rest == nullptr) return;
  records::CopyRecordBytes(record_, rest->record_, kRecordSize, rest->LoadedSize());
  UseStorage(record_, kRecordSize);
}

bool QCMultiMeasureRest::LoadFirst() {
  Load(0);
  return LoadNext();
}

int16_t QCMultiMeasureRest::EndMeasure() const {
  return host::ReadI16(record_, kEndMeasureOffset);
}

void QCMultiMeasureRest::SetEndMeasure(int16_t measure) {
  host::WriteU16(record_, kEndMeasureOffset, static_cast<uint16_t>(measure));
}
