#include "framework/collection_data.h"

#include <cstring>

const char* QCCollectionData::ClassName() const {
  static constexpr char kName[] = "QCCollectionData";
  return kName;
}

std::unique_ptr<QCBaseData> QCCollectionData::NewProbe() const {
  std::unique_ptr<QCBaseData> probe = CreateElement();
  probe->SetTagOverride(element_tag_override_);
  return probe;
}

std::unique_ptr<QCBaseData> QCCollectionData::AppendLoaded(std::unique_ptr<QCBaseData> probe) {
  if (!probe->HoldsWholeRecord()) {
    Append(probe->Clone());
    return probe;
  }
  std::unique_ptr<QCBaseData> next = NewProbe();
  std::memcpy(next->AddressBlock(), probe->AddressBlock(), QCBaseData::kAddressSize);
  Append(std::move(probe));
  return next;
}

int32_t QCCollectionData::LoadAll() {
  ClearAll();
  complete_ = false;
  std::unique_ptr<QCBaseData> probe = NewProbe();
  if (!probe->LoadFirst()) {
    // Nothing to list: a kind without a first record counts as whole, since
    // a list without elements gives nothing to rewrite.
    complete_ = true;
    return Count();
  }
  // A host whose next-record walk comes back to an address it gave before
  // would have us append for ever. Brent's cycle test spots any such loop
  // (a walk that stands still is the shortest) with one saved address: the
  // walk ends within twice the loop's length, and the list counts as partial.
  uint8_t saved[QCBaseData::kAddressSize];
  std::memcpy(saved, probe->AddressBlock(), sizeof saved);
  uint32_t power = 1, steps = 0;
  for (;;) {
    // The list is whole when the host has no next record after one that
    // loaded with bytes; a next record that does not load leaves it partial.
    const bool last_had_bytes = probe->LoadedSize() != 0;
    probe = AppendLoaded(std::move(probe));
    if (!probe->MoveToNext()) {
      complete_ = last_had_bytes;
      break;
    }
    if (!probe->LoadCurrent()) break;
    if (std::memcmp(saved, probe->AddressBlock(), sizeof saved) == 0) break;
    if (++steps == power) {
      std::memcpy(saved, probe->AddressBlock(), sizeof saved);
      power *= 2;
      steps = 0;
    }
  }
  return Count();
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
