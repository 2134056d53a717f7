#include "records/staff_system.h"

#include <cstring>

#include "host/byte_order.h"
#include "host/host_version.h"
#include "records/record_copy.h"

int32_t QCStaffSystem::ClassID() const {
  return class_id::kStaffSystem;
}

const char* QCStaffSystem::ClassName() const {
  static constexpr char kName[] = "QCStaffSystem";
  return kName;
}

std::unique_ptr<QCBaseData> QCStaffSystem::CreateInstance() const {
  return std::make_unique<QCStaffSystem>();
}

void QCStaffSystem::CopyDataFrom(QCBaseData& other) {
  auto* system = RecordCast<QCStaffSystem>(&other);
  if (system == nullptr) return;
  UseStorage(record_, records::CopyDeliveredBytes(*system, record_, sizeof record_));
}

int16_t QCStaffSystem::Indent() const {
  return host::ReadI16(record_, kIndentOffset);
}

int16_t QCStaffSystem::FirstMeasure() const {
  return host::ReadI16(record_, kFirstMeasureOffset);
}

uint16_t QCStaffSystem::SystemFlags() const {
  return host::ReadU16(record_, kSystemFlagsOffset);
}

bool QCStaffSystem::HasOwnStaffList() const {
  return host::HostVersionAtLeast(host::kOwnStaffListsFrom) || (SystemFlags() & kOwnStaffList) != 0;
}

int16_t QCStaffSystem::EndMeasure() const {
  return host::ReadI16(record_, kEndMeasureOffset);
}

void QCStaffSystem::SetIndent(int16_t indent) {
  host::WriteU16(record_, kIndentOffset, static_cast<uint16_t>(indent));
}

void QCStaffSystem::SetFirstMeasure(int16_t measure) {
  host::WriteU16(record_, kFirstMeasureOffset, static_cast<uint16_t>(measure));
}

void QCStaffSystem::SetEndMeasure(int16_t measure) {
  host::WriteU16(record_, kEndMeasureOffset, static_cast<uint16_t>(measure));
}
