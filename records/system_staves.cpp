#include "records/system_staves.h"

const char* QCSystemStaves::ClassName() const {
  static constexpr char kName[] = "QCSystemStaves";
  return kName;
}

std::unique_ptr<QCInciOther> QCSystemStaves::CreateInciElement() const {
  return std::make_unique<QCSystemStaff>();
}
