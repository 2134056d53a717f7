// Translation between the host's per-setting preference records and the
// legacy single-record layout in which the module presents a preference.
//
// A descriptor table per preference tag says, field by field, which word of
// which setting record a field of the legacy layout holds. Assembling reads
// each setting record the table names once and copies its words into the
// layout; scattering reads them again and writes back only the records whose
// words the layout changed. Setting records are read and written with 12
// bytes and the interface version.
//
// Setting record (host format, little-endian): 12 bytes, six u16 words, word
// k at bytes 2k and 2k+1. Its tag is 'o' 't' followed by the entry's two
// characters; its address is (cmper, inci), cmper -2 unless the entry says
// otherwise.
//
// The tables are static data of the module. Their `handled` flags are working
// state of one conversion, so conversions are not re-entrant. [host thread]
#pragma once

#include <cstdint>

namespace host {

// The multimeasure-rest preferences, the one preference the map knows.
inline constexpr uint32_t kMultiMeasureRestPrefsTag = 0x70666D6D;  // 'pfmm'

// Host format of the setting records; must not be changed.
inline constexpr uint32_t kSettingRecordSize = 12;
inline constexpr int16_t kSettingWordCount = 6;
inline constexpr uint32_t kSettingTagBase = 0x6F740000;  // 'o' 't' in the top bytes
inline constexpr int16_t kDefaultSettingCmper = -2;      // what an entry's cmper 0 means

// Conversion kinds. The only one: the field is the setting word, unchanged.
inline constexpr uint32_t kCopyWord = 0;
// The only field width the translation handles.
inline constexpr int16_t kWordWidth = 2;

// One field of a legacy layout.
struct PrefsDescriptor {
  uint8_t handled;            // set once the field is dealt with in a conversion
  char tag_chars[2];          // third and fourth character of the setting tag
  int16_t cmper;              // of the setting record; 0 stands for -2
  int16_t inci;               // of the setting record
  int16_t legacy_offset;      // byte offset of the field in the legacy layout
  int16_t word_index;         // setting word the field holds, 0 to 5
  int16_t width;              // field width in bytes
  uint32_t conversion;        // kCopyWord
  uint32_t min_host_version;  // the entry is skipped on older hosts
};

// The descriptor table of the preference `tag` and its entry count. True for
// 'pfmm' (13 entries, whatever the cmper); false, null and 0 otherwise.
bool FindPrefsTable(uint32_t tag, uint16_t cmper, PrefsDescriptor** table, int32_t* count);

// Builds the legacy layout of `table` in `buffer`, which has room for
// `capacity` bytes, from the setting records, and stores the layout size (the
// sum of the entries' widths) in `*size`. A setting record that the host
// cannot supply reads as zeros; that does not stop the conversion. False, with
// `*size` 0 and no host call, when the layout or one of its fields does not
// fit the buffer or an entry is not one the translation handles.
bool AssembleLegacyPrefs(uint8_t* buffer, uint64_t capacity, uint64_t* size, PrefsDescriptor* table,
                         int32_t count);

// Writes the `length`-byte legacy layout in `buffer` back into the setting
// records, each at most once and only when one of its words changed. False,
// with no host call, for a null buffer, a length below 2 x count, a field that
// lies beyond the length, or an entry the translation does not handle. Failed
// loads and saves of setting records are not reported.
bool ScatterLegacyPrefs(const uint8_t* buffer, uint64_t length, PrefsDescriptor* table,
                        int32_t count);

}  // namespace host
