#include "records/system_staves.h"

const char* QCSystemStaves::ClassName() const {
  static constexpr char kName[] = "QCSystemStaves";
  return kName;
}

std::unique_ptr<QCInciOther> QCSystemStaves::CreateInciElement() const {
  return std::make_unique<QCSystemStaff>();
}

int32_t QCSystemStaves::LoadAllForCmper(uint16_t cmper) {
  // An entry's Load sets its record, its detail and their sizes afresh, so
  // the entries of the last load serve again.
  ReloadAllForCmperAs<QCSystemStaff>(cmper);
  EachEntry([](QCSystemStaff& entry) {
    entry.LookAgainForDetail();
    return true;
  });
  return Count();
}
