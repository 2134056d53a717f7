#include "records/multi_measure_rest_prefs.h"

#include <cstring>

#include "host/byte_order.h"

int32_t QCMultiMeasureRestPrefs::ClassID() const {
  return class_id::kMultiMeasureRestPrefs;
}

const char* QCMultiMeasureRestPrefs::ClassName() const {
  static constexpr char kName[] = "QCMultiMeasureRestPrefs";
  return kName;
}

std::unique_ptr<QCBaseData> QCMultiMeasureRestPrefs::CreateInstance() const {
  return std::make_unique<QCMultiMeasureRestPrefs>();
}

void QCMultiMeasureRestPrefs::CopyDataFrom(QCBaseData& other) {
  auto* prefs = RecordCast<QCMultiMeasureRestPrefs>(&other);
  if (prefs == nullptr) return;
  std::memmove(record_, prefs->record_, kRecordSize);
  UseStorage(record_, kRecordSize);
}

bool QCMultiMeasureRestPrefs::Load(uint16_t cmper) {
  SetAddress(cmper, Inci());
  host::PrefsDescriptor* table = nullptr;
  int32_t count = 0;
  uint64_t size = 0;
  if (!host::FindPrefsTable(DataTag(), cmper, &table, &count) ||
      !host::AssembleLegacyPrefs(record_, kRecordSize, &size, table, count)) {
    SetLoadedSize(0);
    return false;
  }
  UseStorage(record_, size);
  return true;
}

bool QCMultiMeasureRestPrefs::Save() {
  if (LoadedSize() == 0) return false;
  host::PrefsDescriptor* table = nullptr;
  int32_t count = 0;
  if (!host::FindPrefsTable(DataTag(), Cmper(), &table, &count)) return false;
  return host::ScatterLegacyPrefs(record_, LoadedSize(), table, count);
}

bool QCMultiMeasureRestPrefs::Reload() {
  if (LoadedSize() == 0) return false;
  return Load(Cmper());
}

uint16_t QCMultiMeasureRestPrefs::SplitGate() const {
  return host::ReadU16(record_, kSplitGateOffset);
}

void QCMultiMeasureRestPrefs::SetSplitGate(uint16_t value) {
  host::WriteU16(record_, kSplitGateOffset, value);
}
