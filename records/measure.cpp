#include "records/measure.h"

#include <cstring>

#include "host/byte_order.h"
#include "host/host_version.h"

const QCMeasure::Layout& QCMeasure::ActiveLayout() {
  return host::HostVersionAtLeast(kLongLayoutFrom) ? kLongLayout : kShortLayout;
}

int32_t QCMeasure::ClassID() const {
  return class_id::kMeasure;
}

const char* QCMeasure::ClassName() const {
  static constexpr char kName[] = "QCMeasure";
  return kName;
}

uint8_t* QCMeasure::DataBuffer() {
  return host::HostVersionAtLeast(kLongLayoutFrom) ? long_record_ : short_record_;
}

std::unique_ptr<QCBaseData> QCMeasure::CreateInstance() const {
  return std::make_unique<QCMeasure>();
}

void QCMeasure::CopyDataFrom(QCBaseData& other) {
  auto* measure = RecordCast<QCMeasure>(&other);
  if (measure == nullptr) return;
  const Layout& layout = ActiveLayout();
  std::memcpy(DataBuffer(), measure->DataBuffer(), static_cast<size_t>(layout.size));
  UseStorage(DataBuffer(), static_cast<uint64_t>(layout.size));
}

bool QCMeasure::Load(uint16_t cmper) {
  if (cmper == 0) return false;
  PointAtActiveStore();
  return QCNoInciOther::Load(cmper);
}

bool QCMeasure::LoadNext() {
  PointAtActiveStore();
  return QCNoInciOther::LoadNext();
}

void QCMeasure::PointAtActiveStore() {
  if (RecordBytes() != DataBuffer()) UseStorage(DataBuffer(), LoadedSize());
}

uint16_t QCMeasure::MeasureFlags1() {
  return host::ReadU16(DataBuffer(), ActiveLayout().flags1_offset);
}

uint16_t QCMeasure::MeasureFlags2() {
  return host::ReadU16(DataBuffer(), ActiveLayout().flags2_offset);
}

void QCMeasure::SetMeasureFlags1(uint16_t flags) {
  host::WriteU16(DataBuffer(), ActiveLayout().flags1_offset, flags);
}

void QCMeasure::SetMeasureFlags2(uint16_t flags) {
  host::WriteU16(DataBuffer(), ActiveLayout().flags2_offset, flags);
}
