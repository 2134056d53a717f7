#include "records/measure.h"

#include <algorithm>
#include <cstring>

#include "host/byte_order.h"
#include "host/host_version.h"
#include "records/record_copy.h"

const QCMeasure::Layout& QCMeasure::LayoutForHostVersion(uint32_t host_version) {
  return host_version >= host::kLongMeasureLayoutFrom ? kLongLayout : kShortLayout;
}

QCMeasure::QCMeasure() : layout_(&LayoutForHostVersion(host::HostVersion())) {
  // Not loaded yet, but the record's storage is known from the start.
  UseStorage(DataBuffer(), 0);
}

int32_t QCMeasure::ClassID() const {
  return class_id::kMeasure;
}

const char* QCMeasure::ClassName() const {
  static constexpr char kName[] = "QCMeasure";
  return kName;
}

uint8_t* QCMeasure::DataBuffer() {
  return layout_ == &kLongLayout ? long_record_ : short_record_;
}

std::unique_ptr<QCBaseData> QCMeasure::CreateInstance() const {
  return std::make_unique<QCMeasure>();
}

void QCMeasure::CopyDataFrom(QCBaseData& other) {
  auto* measure = RecordCast<QCMeasure>(&other);
  if (measure == nullptr) return;
  const size_t size = static_cast<size_t>(layout_->size);
  // Never read past the other's store, should it have been made in the
  // shorter layout.
  const size_t available = static_cast<size_t>(measure->layout_->size);
  records::CopyAndClearTail(DataBuffer(), measure->DataBuffer(), std::min(size, available), size);
  UseStorage(DataBuffer(), static_cast<uint64_t>(size));
}

bool QCMeasure::Load(uint16_t cmper) {
  if (cmper == 0) return false;
  // Bytes the host does not deliver read as zero, whatever the object held
  // before, so one object can load measure after measure.
  std::memset(short_record_, 0, sizeof short_record_);
  std::memset(long_record_, 0, sizeof long_record_);
  return QCNoInciOther::Load(cmper);
}

void QCMeasure::MarkPieceStart() {
  unsigned flags1 = MeasureFlags1() | kFlags1PieceStart;
  if (host::HostVersionAtLeast(host::kPieceMarksFrom)) flags1 |= kFlags1PieceStartMark;
  SetMeasureFlags1(static_cast<uint16_t>(flags1 & ~unsigned{kFlags1ClearedAtPieceStart}));
  SetMeasureFlags2(
      static_cast<uint16_t>(MeasureFlags2() | kFlags2PieceStart | kFlags2SetAtPieceStart));
}

void QCMeasure::MarkPieceEnd() {
  SetMeasureFlags1(static_cast<uint16_t>(MeasureFlags1() | kFlags1PieceEnd));
  const unsigned flags2 = MeasureFlags2() | kFlags2PieceEnd;
  SetMeasureFlags2(
      static_cast<uint16_t>((flags2 & ~unsigned{kFlags2ClearedAtPieceEnd}) | kFlags2SetAtPieceEnd));
}

bool QCMeasure::StartsPiece() {
  return (MeasureFlags2() & kFlags2PieceStart) != 0 &&
         host::HostVersionAtLeast(host::kPieceMarksFrom) &&
         (MeasureFlags1() & kFlags1PieceStartMark) != 0;
}

uint16_t QCMeasure::MeasureFlags1() {
  return host::ReadU16(DataBuffer(), layout_->flags1_offset);
}

uint16_t QCMeasure::MeasureFlags2() {
  return host::ReadU16(DataBuffer(), layout_->flags2_offset);
}

void QCMeasure::SetMeasureFlags1(uint16_t flags) {
  host::WriteU16(DataBuffer(), layout_->flags1_offset, flags);
}

void QCMeasure::SetMeasureFlags2(uint16_t flags) {
  host::WriteU16(DataBuffer(), layout_->flags2_offset, flags);
}
