#include "framework/collection_data.h"

#include <cstring>

const char* __QCCollectionData::ClassName() const {
  static constexpr char kName[] = "__QCCollectionData";
  return kName;
}

int32_t __QCCollectionData::LoadAll() {
  ClearAll();
  complete_ = false;
  std::unique_ptr<__QCBaseData> probe = CreateElement();
  probe->SetTagOverride(element_tag_override_);
  if (!probe->LoadFirst()) {
    // Nothing to list: a kind without a first record counts as whole, since
    // a list without elements gives nothing to rewrite.
    complete_ = true;
    return Count();
  }
  for (;;) {
    Append(probe->Clone());
    uint8_t before[__QCBaseData::kAddressSize];
    std::memcpy(before, probe->AddressBlock(), sizeof before);
    if (!probe->LoadNext()) {
      // The host had no next record when the probe keeps the record it had;
      // a next record that did not load leaves the probe unloaded.
      complete_ = probe->LoadedSize() != 0;
      break;
    }
    // A host that answers "there is a next record" without moving the
    // address would have us append the same record for ever.
    if (std::memcmp(before, probe->AddressBlock(), sizeof before) == 0) break;
  }
  return Count();
}

bool __QCCollectionData::SaveAll() {
  for (int32_t position = 0; position < Count(); ++position) {
    auto* element = dynamic_cast<__QCBaseData*>(ItemAt(position));
    if (element == nullptr) return false;
    element->SetTagOverride(element_tag_override_);
    if (!element->Save()) return false;
  }
  return true;
}
