#include "records/system_staves.h"

const char* QCSystemStaves::ClassName() const {
  static constexpr char kName[] = "QCSystemStaves";
  return kName;
}

std::unique_ptr<QCInciOther> QCSystemStaves::CreateInciElement() const {
  return std::make_unique<QCSystemStaff>();
}

int32_t QCSystemStaves::LoadAllForCmper(uint16_t cmper) {
  LoadAllForCmperAs<QCSystemStaff>(cmper);
  for (int32_t position = 0; position < Count(); ++position)
    StaffAt(position)->LookAgainForDetail();
  return Count();
}
