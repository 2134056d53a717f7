#include "framework/prefs_base.h"

const char* QCPrefsBase::ClassName() const {
  static constexpr char kName[] = "QCPrefsBase";
  return kName;
}
