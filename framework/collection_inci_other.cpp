#include "framework/collection_inci_other.h"

namespace {
// Incidence numbers are 16-bit and 0xFFFF is the "assign one" placeholder,
// so no cmper can hold more incidences than this. A host that answers every
// load would otherwise keep the counting loops going round for ever.
constexpr uint32_t kMaxIncidences = 0xFFFF;
}  // namespace

const char* QCCollectionInciOther::ClassName() const {
  static constexpr char kName[] = "QCCollectionInciOther";
  return kName;
}

bool QCCollectionInciOther::DeleteAllForCmper(uint16_t cmper) {
  std::unique_ptr<QCInciOther> probe = CreateInciElement();
  probe->SetTagOverride(ElementTagOverride());
  if (!probe->Load(cmper, 0)) return true;
  uint32_t count = 1;
  while (count < kMaxIncidences && probe->Load(cmper, static_cast<uint16_t>(count))) ++count;
  for (uint32_t inci = count; inci-- > 0;) {
    if (!probe->Load(cmper, static_cast<uint16_t>(inci)) || !probe->DeleteData()) return false;
  }
  return true;
}

int32_t QCCollectionInciOther::LoadAllForCmper(uint16_t cmper) {
  ClearAll();
  std::unique_ptr<QCInciOther> probe = CreateInciElement();
  probe->SetTagOverride(ElementTagOverride());
  for (uint32_t inci = 0; inci < kMaxIncidences && probe->Load(cmper, static_cast<uint16_t>(inci));
       ++inci) {
    // As AppendLoaded: a whole record is kept as loaded, a short one cloned.
    if (!probe->HoldsWholeRecord()) {
      Append(probe->Clone());
      continue;
    }
    Append(std::move(probe));
    probe = CreateInciElement();
    probe->SetTagOverride(ElementTagOverride());
  }
  return Count();
}

bool QCCollectionInciOther::SaveAllForCmper(uint16_t cmper) {
  if (!DeleteAllForCmper(cmper)) return false;
  for (int32_t position = 0; position < Count(); ++position) {
    auto* element = RecordCast<QCInciOther>(ItemAt(position));
    if (element == nullptr) return false;
    element->SetTagOverride(ElementTagOverride());
    if (!element->SaveAs(cmper)) return false;
  }
  return true;
}
