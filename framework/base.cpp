#include "framework/base.h"

const char* QCBase::ClassName() const {
  static constexpr char kName[] = "QCBase";
  return kName;
}

bool QCBase::IsSameClass(const QCBase* other) const {
  if (other == nullptr) return false;
  return other->ClassName() == ClassName();
}
