#include "framework/prefs_base.h"

const char* __QCPrefsBase::ClassName() const {
  static constexpr char kName[] = "__QCPrefsBase";
  return kName;
}
