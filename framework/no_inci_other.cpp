#include "framework/no_inci_other.h"

#include "host/host_services.h"

const char* QCNoInciOther::ClassName() const {
  static constexpr char kName[] = "QCNoInciOther";
  return kName;
}

bool QCNoInciOther::SaveAs(uint16_t cmper) {
  SetAddress(cmper, 0);
  return Save();
}

bool QCNoInciOther::SaveNew() {
  if (LoadedSize() == 0) return false;
  SetAddress(kAssignedByHost, kAssignedByHost);
  return host::CreateEData(DataTag(), AddressBlock(), RecordBytes(),
                           static_cast<uint32_t>(LoadedSize()), DataVersion()) != 0;
}

bool QCNoInciOther::Reload() {
  if (LoadedSize() == 0) return false;
  return Load(ItemCmper());
}
