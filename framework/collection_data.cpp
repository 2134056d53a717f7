#include "framework/collection_data.h"

#include <cstring>

const char* QCCollectionData::ClassName() const {
  static constexpr char kName[] = "QCCollectionData";
  return kName;
}

int32_t QCCollectionData::LoadAll() {
  return LoadAllAs<QCBaseData>();
}

bool QCCollectionData::SaveAll() {
  for (int32_t position = 0; position < Count(); ++position) {
    auto* element = RecordCast<QCBaseData>(ItemAt(position));
    if (element == nullptr) return false;
    element->SetTagOverride(element_tag_override_);
    if (!element->Save()) return false;
  }
  return true;
}
