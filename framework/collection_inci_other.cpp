#include "framework/collection_inci_other.h"

const char* QCCollectionInciOther::ClassName() const {
  static constexpr char kName[] = "QCCollectionInciOther";
  return kName;
}

bool QCCollectionInciOther::DeleteAllForCmper(uint16_t cmper) {
  return DeleteAllForCmperAs<QCInciOther>(cmper);
}

int32_t QCCollectionInciOther::LoadAllForCmper(uint16_t cmper) {
  return LoadAllForCmperAs<QCInciOther>(cmper);
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
