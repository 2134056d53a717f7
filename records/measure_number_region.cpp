#include "records/measure_number_region.h"

#include "host/byte_order.h"
#include "host/host_version.h"
#include "records/record_copy.h"

const QCMeasureNumberRegion::Layout& QCMeasureNumberRegion::LayoutForHostVersion(
    uint32_t host_version) {
  if (host_version >= host::kRegionLayout350From) return kLayout350;
  if (host_version >= host::kRegionLayout196From) return kLayout196;
  return kLayout88;
}

QCMeasureNumberRegion::QCMeasureNumberRegion()
    : layout_(&LayoutForHostVersion(host::HostVersion())),
      enclosure1_(EnclosurePiece(0)),
      enclosure2_(EnclosurePiece(1)),
      enclosure3_(EnclosurePiece(2)),
      enclosure4_(EnclosurePiece(3)) {
  UseStorage(storage_, static_cast<uint64_t>(layout_->size));
}

int32_t QCMeasureNumberRegion::ClassID() const {
  return class_id::kMeasureNumberRegion;
}

const char* QCMeasureNumberRegion::ClassName() const {
  static constexpr char kName[] = "QCMeasureNumberRegion";
  return kName;
}

uint8_t* QCMeasureNumberRegion::EnclosurePiece(int index) {
  return storage_ + layout_->enclosure_offset[index];
}

std::unique_ptr<QCBaseData> QCMeasureNumberRegion::CreateInstance() const {
  return std::make_unique<QCMeasureNumberRegion>();
}

void QCMeasureNumberRegion::CopyDataFrom(QCBaseData& other) {
  auto* region = RecordCast<QCMeasureNumberRegion>(&other);
  if (region == nullptr) return;
  // The other's bytes past those it was loaded with read as zero (a load
  // clears them), so its whole record is copied; a region of another host
  // version's layout gives no more than its own layout's bytes.
  const auto size = static_cast<size_t>(layout_->size);
  const auto available = static_cast<size_t>(region->layout_->size);
  records::CopyAndClearTail(storage_, region->storage_, std::min(size, available), size);
  UseStorage(storage_, static_cast<uint64_t>(size));
}

bool QCMeasureNumberRegion::LoadFirst() {
  if (Load(1)) return true;
  SetAddress(0, 0);
  return LoadNext();
}

QCEnclosure* QCMeasureNumberRegion::Enclosure(int number) {
  switch (number) {
    case 1:
      return &enclosure1_;
    case 2:
      return &enclosure2_;
    case 3:
      return &enclosure3_;
    case 4:
      return &enclosure4_;
    default:
      return nullptr;
  }
}

int16_t QCMeasureNumberRegion::FirstMeasure() const {
  return host::ReadI16(storage_, layout_->first_measure);
}

void QCMeasureNumberRegion::SetFirstMeasure(int16_t measure) {
  host::WriteU16(storage_, layout_->first_measure, static_cast<uint16_t>(measure));
}

int16_t QCMeasureNumberRegion::EndMeasure() const {
  return host::ReadI16(storage_, layout_->end_measure);
}

void QCMeasureNumberRegion::SetEndMeasure(int16_t measure) {
  host::WriteU16(storage_, layout_->end_measure, static_cast<uint16_t>(measure));
}

uint16_t QCMeasureNumberRegion::ClearedOnSplit() const {
  return host::ReadU16(storage_, layout_->cleared_on_split);
}

void QCMeasureNumberRegion::SetClearedOnSplit(uint16_t value) {
  host::WriteU16(storage_, layout_->cleared_on_split, value);
}
