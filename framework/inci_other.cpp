#include "framework/inci_other.h"

#include "host/host_services.h"

const char* QCInciOther::ClassName() const {
  static constexpr char kName[] = "QCInciOther";
  return kName;
}

bool QCInciOther::Reload() {
  if (LoadedSize() == 0) return false;
  return Load(Cmper(), Inci());
}
