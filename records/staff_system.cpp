#include "records/staff_system.h"

#include <cstring>

#include "host/byte_order.h"
#include "host/host_version.h"
#include "records/record_copy.h"

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

bool QCStaffSystem::HasOwnStaffList() const {
  return host::HostVersionAtLeast(host::kOwnStaffListsFrom) || (SystemFlags() & kOwnStaffList) != 0;
}
