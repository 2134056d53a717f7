#include "records/staff_systems.h"

const char* QCStaffSystems::ClassName() const {
  static constexpr char kName[] = "QCStaffSystems";
  return kName;
}

std::unique_ptr<QCBaseData> QCStaffSystems::CreateElement() const {
  return std::make_unique<QCStaffSystem>();
}
