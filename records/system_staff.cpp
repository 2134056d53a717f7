#include "records/system_staff.h"

#include <cstring>

#include "host/byte_order.h"
#include "host/host_services.h"
#include "records/record_copy.h"

namespace {

// The address block of the detail record of the staff an entry names, in
// the entry's system: cmper the entry's cmper, inci its staff. Both are
// copied as the little-endian bytes they already are, from the entry's
// address block and record: one copy each instead of a decode and an
// encode, for an address made for every detail call.
struct DetailAddress {
  DetailAddress(const uint8_t* entry_address, const uint8_t* entry_record) {
    std::memcpy(bytes + QCBaseData::kCmperOffset, entry_address + QCBaseData::kCmperOffset, 2);
    std::memcpy(bytes + QCBaseData::kInciOffset, entry_record + QCSystemStaff::kStaffOffset, 2);
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
  const bool detailed = entry->Cmper() != 0;
  detail_value_ = detailed ? entry->detail_value_ : kNoDetail;
  detail_found_ = detailed && entry->detail_found_;
  if (detailed) {
    std::memcpy(detail_, entry->detail_, sizeof detail_);
  } else {
    std::memset(detail_, 0, sizeof detail_);
  }
}

bool QCSystemStaff::Load(uint16_t cmper, uint16_t inci) {
  if (!LoadOf(*this, cmper, inci)) return false;
  detail_value_ = kNoDetail;
  detail_found_ = false;
  // Under system 0, or without a staff to key it, there is no detail record.
  if (cmper == 0 || LoadedSize() < kStaffOffset + 2) {
    std::memset(detail_, 0, sizeof detail_);
    return true;
  }
  LoadDetail();
  return true;
}

bool QCSystemStaff::LoadDetail() {
  DetailAddress address(AddressBlock(), record_);
  int32_t delivered = kDetailSize;
  // A record too short to hold the value counts as no record; bytes past
  // those delivered read as zero, as do those a refused load left.
  if (host::LoadEData(kDetailTag, address.bytes, detail_, &delivered, DataVersion()) != 0 &&
      delivered >= static_cast<int32_t>(kDetailValueOffset + 2)) {
    if (delivered < kDetailSize) {
      std::memset(detail_ + delivered, 0, static_cast<size_t>(kDetailSize - delivered));
    }
    detail_value_ = host::ReadI16(detail_, kDetailValueOffset);
    detail_found_ = true;
  } else {
    std::memset(detail_, 0, sizeof detail_);
  }
  return detail_found_;
}

bool QCSystemStaff::LookAgainForDetail() {
  if (detail_found_) return true;
  // Only an entry loaded under a system and long enough to name its staff
  // has a detail record to look for.
  if (Cmper() == 0 || LoadedSize() < kStaffOffset + 2) return false;
  return LoadDetail();
}

bool QCSystemStaff::DeepDeleteData() {
  if (!DeleteData()) return false;
  if (detail_found_) {
    DetailAddress address(AddressBlock(), record_);
    host::DeleteEData(kDetailTag, address.bytes, DataVersion());
  }
  return true;
}

bool QCSystemStaff::Save() {
  return QCInciOther::Save() && SaveDetail();
}

bool QCSystemStaff::SaveAs(uint16_t cmper) {
  return SaveAsOf(*this, cmper) && SaveDetail();
}

bool QCSystemStaff::SaveDetail() {
  // An entry the host delivered too short to name its staff has no detail
  // record: the staff number read from its partial bytes would address the
  // detail of another entry. (A new entry is written whole, so every saved
  // entry has a loaded size.)
  if (LoadedSize() < kStaffOffset + 2) return detail_value_ == kNoDetail;
  DetailAddress address(AddressBlock(), record_);
  if (detail_value_ == kNoDetail && DetailIsOnlyItsValue()) {
    if (Cmper() != 0) host::DeleteEData(kDetailTag, address.bytes, DataVersion());
    return true;
  }
  host::WriteU16(detail_, kDetailValueOffset, static_cast<uint16_t>(detail_value_));
  return host::SaveEData(kDetailTag, address.bytes, detail_, kDetailSize, DataVersion()) != 0;
}

bool QCSystemStaff::DetailIsOnlyItsValue() const {
  // The eight bytes after the value, read as one word.
  static_assert(kDetailSize - (kDetailValueOffset + 2) == sizeof(uint64_t));
  uint64_t rest = 0;
  std::memcpy(&rest, detail_ + kDetailValueOffset + 2, sizeof rest);
  return rest == 0;
}

uint16_t QCSystemStaff::Staff() const {
  return host::ReadU16(record_, kStaffOffset);
}

void QCSystemStaff::SetStaff(uint16_t staff) {
  host::WriteU16(record_, kStaffOffset, staff);
}
