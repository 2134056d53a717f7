#include "framework/inci_other.h"

#include "host/host_services.h"

const char* QCInciOther::ClassName() const {
  static constexpr char kName[] = "QCInciOther";
  return kName;
}

bool QCInciOther::SaveAs(uint16_t cmper) {
  if (LoadedSize() == 0) return false;
  SetAddress(cmper, kAssignedByHost);
  return host::CreateEData(DataTag(), AddressBlock(), RecordBytes(),
                           static_cast<uint32_t>(LoadedSize()), DataVersion()) != 0;
}

bool QCInciOther::Reload() {
  if (LoadedSize() == 0) return false;
  return Load(Cmper(), Inci());
}
