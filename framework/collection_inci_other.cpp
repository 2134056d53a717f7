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
  return SaveAllForCmperAs<QCInciOther>(cmper);
}

bool QCCollectionInciOther::ReadsWholeForCmper(uint16_t cmper) const {
  return ReadsWholeForCmperAs<QCInciOther>(cmper);
}
