#include "host/legacy_prefs.h"

#include <cstring>

#include "host/byte_order.h"
#include "host/host_services.h"
#include "host/host_version.h"

namespace host {
namespace {

constexpr PrefsDescriptor Field(char c1, char c2, int16_t inci, int16_t legacy_offset,
                                int16_t word_index) {
  return PrefsDescriptor{0, {c1, c2}, 0, inci, legacy_offset, word_index, kWordWidth, kCopyWord, 0};
}

// 'pfmm', 26 bytes: words 0-5 of 'ot25' inci 0, words 0-5 of 'ot25' inci 1,
// then word 4 of 'ot83' inci 0; every setting record at cmper -2.
PrefsDescriptor g_multi_measure_rest_prefs[] = {
    Field('2', '5', 0, 0, 0),  Field('2', '5', 0, 2, 1),  Field('2', '5', 0, 4, 2),
    Field('2', '5', 0, 6, 3),  Field('2', '5', 0, 8, 4),  Field('2', '5', 0, 10, 5),
    Field('2', '5', 1, 12, 0), Field('2', '5', 1, 14, 1), Field('2', '5', 1, 16, 2),
    Field('2', '5', 1, 18, 3), Field('2', '5', 1, 20, 4), Field('2', '5', 1, 22, 5),
    Field('8', '3', 0, 24, 4),
};

struct PrefsMapEntry {
  uint32_t tag;
  PrefsDescriptor* table;
  int32_t count;
};

const PrefsMapEntry kPrefsMap[] = {
    {kMultiMeasureRestPrefsTag, g_multi_measure_rest_prefs,
     static_cast<int32_t>(sizeof g_multi_measure_rest_prefs /
                          sizeof g_multi_measure_rest_prefs[0])},
};

using Scratch = uint8_t[kSettingRecordSize];

bool Eligible(const PrefsDescriptor& entry) {
  return entry.min_host_version <= HostVersion();
}

// True when the entry is one the translation handles and its field lies
// within the first `limit` bytes of the layout.
bool FieldFits(const PrefsDescriptor& entry, uint64_t limit) {
  return entry.conversion == kCopyWord && entry.width == kWordWidth && entry.word_index >= 0 &&
         entry.word_index < kSettingWordCount && entry.legacy_offset >= 0 &&
         static_cast<uint64_t>(entry.legacy_offset) + kWordWidth <= limit;
}

bool AllEligibleFieldsFit(const PrefsDescriptor* table, int32_t count, uint64_t limit) {
  for (int32_t i = 0; i < count; ++i) {
    if (Eligible(table[i]) && !FieldFits(table[i], limit)) return false;
  }
  return true;
}

// Entries are compared as stored, before cmper 0 becomes -2.
bool SameSettingRecord(const PrefsDescriptor& a, const PrefsDescriptor& b) {
  return a.tag_chars[0] == b.tag_chars[0] && a.tag_chars[1] == b.tag_chars[1] &&
         a.cmper == b.cmper && a.inci == b.inci;
}

uint32_t SettingTag(const PrefsDescriptor& entry) {
  return kSettingTagBase | (static_cast<uint32_t>(static_cast<uint8_t>(entry.tag_chars[0])) << 8) |
         static_cast<uint32_t>(static_cast<uint8_t>(entry.tag_chars[1]));
}

void SettingAddress(const PrefsDescriptor& entry, uint8_t (&address)[8]) {
  std::memset(address, 0, sizeof address);
  const int16_t cmper = entry.cmper == 0 ? kDefaultSettingCmper : entry.cmper;
  WriteU16(address, 0, static_cast<uint16_t>(cmper));
  WriteU16(address, 2, static_cast<uint16_t>(entry.inci));
}

// Loads the entry's setting record into `scratch`. The scratch is cleared
// first, so a record the host cannot supply reads as zeros rather than as
// the words of the record loaded before it.
void LoadSetting(const PrefsDescriptor& entry, Scratch& scratch) {
  std::memset(scratch, 0, sizeof scratch);
  uint8_t address[8];
  SettingAddress(entry, address);
  int32_t size = static_cast<int32_t>(kSettingRecordSize);
  LoadEData(SettingTag(entry), address, scratch, &size, kInterfaceVersion);
}

void SaveSetting(const PrefsDescriptor& entry, const Scratch& scratch) {
  uint8_t address[8];
  SettingAddress(entry, address);
  SaveEData(SettingTag(entry), address, scratch, kSettingRecordSize, kInterfaceVersion);
}

size_t WordOffset(const PrefsDescriptor& entry) {
  return static_cast<size_t>(entry.word_index) * kWordWidth;
}

size_t FieldOffset(const PrefsDescriptor& entry) {
  return static_cast<size_t>(entry.legacy_offset);
}

void ClearHandled(PrefsDescriptor* table, int32_t count) {
  for (int32_t i = 0; i < count; ++i) table[i].handled = 0;
}

}  // namespace

bool FindPrefsTable(uint32_t tag, uint16_t /*cmper*/, PrefsDescriptor** table, int32_t* count) {
  for (const PrefsMapEntry& entry : kPrefsMap) {
    if (entry.tag != tag) continue;
    *table = entry.table;
    *count = entry.count;
    return true;
  }
  *table = nullptr;
  *count = 0;
  return false;
}

bool AssembleLegacyPrefs(uint8_t* buffer, uint64_t capacity, uint64_t* size, PrefsDescriptor* table,
                         int32_t count) {
  *size = 0;
  if (buffer == nullptr || count < 0 || (table == nullptr && count > 0)) return false;
  uint64_t layout_size = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (table[i].width > 0) layout_size += static_cast<uint64_t>(table[i].width);
  }
  if (layout_size > capacity || !AllEligibleFieldsFit(table, count, capacity)) return false;
  *size = layout_size;

  ClearHandled(table, count);
  Scratch scratch;
  for (int32_t i = 0; i < count; ++i) {
    PrefsDescriptor& entry = table[i];
    if (entry.handled != 0 || !Eligible(entry)) continue;
    LoadSetting(entry, scratch);
    for (int32_t j = i; j < count; ++j) {
      PrefsDescriptor& field = table[j];
      if (field.handled != 0 || !Eligible(field) || !SameSettingRecord(entry, field)) continue;
      WriteU16(buffer, FieldOffset(field), ReadU16(scratch, WordOffset(field)));
      field.handled = 1;
    }
  }
  return true;
}

bool ScatterLegacyPrefs(const uint8_t* buffer, uint64_t length, PrefsDescriptor* table,
                        int32_t count) {
  if (buffer == nullptr || count < 0 || (table == nullptr && count > 0)) return false;
  if (length < 2 * static_cast<uint64_t>(count)) return false;
  if (!AllEligibleFieldsFit(table, count, length)) return false;

  ClearHandled(table, count);
  Scratch scratch;
  for (int32_t i = 0; i < count; ++i) {
    PrefsDescriptor& entry = table[i];
    if (entry.handled != 0 || !Eligible(entry)) continue;
    LoadSetting(entry, scratch);
    bool changed = false;
    for (int32_t j = i; j < count; ++j) {
      PrefsDescriptor& field = table[j];
      if (field.handled != 0 || !Eligible(field) || !SameSettingRecord(entry, field)) continue;
      const uint16_t value = ReadU16(buffer, FieldOffset(field));
      if (value != ReadU16(scratch, WordOffset(field))) {
        WriteU16(scratch, WordOffset(field), value);
        changed = true;
      }
      field.handled = 1;
    }
    if (changed) SaveSetting(entry, scratch);
  }
  return true;
}

}  // namespace host
