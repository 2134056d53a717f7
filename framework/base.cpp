#include "framework/base.h"

const char* __QCBase::ClassName() const {
  static constexpr char kName[] = "__QCBase";
  return kName;
}

bool __QCBase::IsSameClass(const __QCBase* other) const {
  if (other == nullptr) return false;
  return other->ClassName() == ClassName();
}
