#include "records/system_staff.h"

#include "host/byte_order.h"
#include "host/host_services.h"
#include "records/record_copy.h"

namespace {

// The address block of the detail record of `staff` in system `system`.
struct DetailAddress {
  DetailAddress(uint16_t system, uint16_t staff) {
    host::WriteU16(bytes, QCBaseData::kCmperOffset, system);
    host::WriteU16(bytes, QCBaseData::kInciOffset, staff);
  }
  uint8_t bytes[QCBaseData::kAddressSize] = {};
};

}  // namespace

int32_t QCSystemStaff::ClassID() const {
  return class_id::kSystemStaff;
}

const char* QCSystemStaff::ClassName() const {
  static constexpr char kName[] = "QCSystemStaff";
  return kName;
}

std::unique_ptr<QCBaseData> QCSystemStaff::CreateInstance() const {
  return std::make_unique<QCSystemStaff>();
}

void QCSystemStaff::CopyDataFrom(QCBaseData& other) {
  auto* entry = RecordCast<QCSystemStaff>(&other);
  if (entry == nullptr) return;
  UseStorage(record_, records::CopyDeliveredBytes(*entry, record_, sizeof record_));
  detail_value_ = entry->Cmper() == 0 ? kNoDetail : entry->detail_value_;
}

bool QCSystemStaff::Load(uint16_t cmper, uint16_t inci) {
  if (!QCInciOther::Load(cmper, inci)) return false;
  detail_value_ = kNoDetail;
  // Under system 0, or without a staff to key it, there is no detail record.
  if (cmper == 0 || LoadedSize() < kStaffOffset + 2) return true;
  DetailAddress address(cmper, Staff());
  uint8_t detail[kDetailSize] = {};
  int32_t delivered = kDetailSize;
  // A record too short to hold the value counts as no record.
  if (host::LoadEData(kDetailTag, address.bytes, detail, &delivered, DataVersion()) != 0 &&
      delivered >= static_cast<int32_t>(kDetailValueOffset + 2)) {
    detail_value_ = host::ReadI16(detail, kDetailValueOffset);
  }
  return true;
}

bool QCSystemStaff::Save() {
  return QCInciOther::Save() && SaveDetail();
}

bool QCSystemStaff::SaveAs(uint16_t cmper) {
  return QCInciOther::SaveAs(cmper) && SaveDetail();
}

bool QCSystemStaff::SaveDetail() {
  // An entry the host delivered too short to name its staff has no detail
  // record: the staff number read from its partial bytes would address the
  // detail of another entry. (A new entry is written whole, so every saved
  // entry has a loaded size.)
  if (LoadedSize() < kStaffOffset + 2) return detail_value_ == kNoDetail;
  DetailAddress address(Cmper(), Staff());
  if (detail_value_ == kNoDetail) {
    if (Cmper() != 0) host::DeleteEData(kDetailTag, address.bytes, DataVersion());
    return true;
  }
  uint8_t detail[kDetailSize] = {};
  host::WriteU16(detail, kDetailValueOffset, static_cast<uint16_t>(detail_value_));
  return host::SaveEData(kDetailTag, address.bytes, detail, kDetailSize, DataVersion()) != 0;
}

uint16_t QCSystemStaff::Staff() const {
  return host::ReadU16(record_, kStaffOffset);
}

void QCSystemStaff::SetStaff(uint16_t staff) {
  host::WriteU16(record_, kStaffOffset, staff);
}
