// The module's record classes against the stand-in host's own description of
// the records (standin/store/record_layouts): at every host version that
// begins or ends a layout or a flag's meaning, and at every major version,
// each record's size, each field's offset, each record kept inside another,
// each flag bit and each version threshold must agree. A disagreement names
// the record, the field and the host version.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "host/host_version.h"
#include "host/legacy_prefs.h"
#include "records/enclosure.h"
#include "records/freeze_system.h"
#include "records/measure.h"
#include "records/measure_number_region.h"
#include "records/multi_measure_rest.h"
#include "records/multi_measure_rest_prefs.h"
#include "records/part.h"
#include "records/staff_system.h"
#include "records/system_staff.h"
#include "standin/store/record_layouts.h"

namespace {

using standin::RecordLayouts;

// A number the module gives for one fact at a host version; kNotRead for a
// fact the host describes and the module does not use.
using ModuleValue = std::function<uint64_t(uint32_t host_version)>;
constexpr uint64_t kNotRead = ~uint64_t{0};

ModuleValue Fixed(uint64_t value) {
  return [value](uint32_t) { return value; };
}

const QCMeasure::Layout& MeasureAt(uint32_t version) {
  return QCMeasure::LayoutForHostVersion(version);
}
const QCMeasureNumberRegion::Layout& RegionAt(uint32_t version) {
  return QCMeasureNumberRegion::LayoutForHostVersion(version);
}

// The word of the 'ot83' setting record that the module's rest preferences
// read as their split gate.
uint64_t SplitGateWord(uint32_t) {
  host::PrefsDescriptor* table = nullptr;
  int32_t count = 0;
  if (!host::FindPrefsTable(QCMultiMeasureRestPrefs::kTag, 0, &table, &count)) return kNotRead;
  for (int32_t i = 0; i < count; ++i) {
    if (table[i].legacy_offset == QCMultiMeasureRestPrefs::kSplitGateOffset)
      return static_cast<uint64_t>(table[i].word_index);
  }
  return kNotRead;
}

// The size of a `Record` that the module makes while the host reports
// `version`.
template <typename Record>
ModuleValue SizeMade() {
  return [](uint32_t version) {
    const uint32_t reported = host::HostVersion();
    host::SetHostVersion(version);
    const auto size = static_cast<uint64_t>(Record().DataSize());
    host::SetHostVersion(reported);
    return size;
  };
}

struct RecordRow {
  uint32_t tag;
  uint32_t module_tag;
  ModuleValue size;
  uint32_t first_version = 0;  // the host version from which the module uses such records
};

// Each record kind the host describes, with the module's tag and size.
const std::vector<RecordRow>& Records() {
  static const std::vector<RecordRow> rows = {
      {standin::kMeasureTag, QCMeasure::kTag, SizeMade<QCMeasure>()},
      {standin::kStaffSystemTag, QCStaffSystem::kTag, SizeMade<QCStaffSystem>()},
      {standin::kSystemStaffTag, QCSystemStaff::kTag, SizeMade<QCSystemStaff>()},
      {standin::kStaffDetailTag, QCSystemStaff::kDetailTag, Fixed(QCSystemStaff::kDetailSize)},
      {standin::kFrozenSystemTag, QCFreezeSystem::kTag, SizeMade<QCFreezeSystem>()},
      {standin::kPartTag, QCPart::kTag, Fixed(QCPart::kRecordSize)},
      {standin::kRegionTag, QCMeasureNumberRegion::kTag, SizeMade<QCMeasureNumberRegion>()},
      {standin::kEnclosureTag, QCEnclosure::kTag, SizeMade<QCEnclosure>()},
      {standin::kRestTag, QCMultiMeasureRest::kTag, SizeMade<QCMultiMeasureRest>()},
      {standin::kRestSettingsTag, host::kSettingTagBase | ('2' << 8) | '5',
       Fixed(host::kSettingRecordSize)},
      {standin::kSplitGateSettingTag, host::kSettingTagBase | ('8' << 8) | '3',
       Fixed(host::kSettingRecordSize)},
  };
  return rows;
}

struct FieldRow {
  uint32_t tag;
  const char* field;  // a field, or a record kept inside, of the host's description
  ModuleValue offset;
};

// Each named field and inner record of the description, with the module's
// offset (for the setting records: the word the module reads).
const std::vector<FieldRow>& Fields() {
  static const std::vector<FieldRow> rows = {
      {standin::kMeasureTag, "measureFlags1",
       [](uint32_t v) { return MeasureAt(v).flags1_offset; }},
      {standin::kMeasureTag, "measureFlags2",
       [](uint32_t v) { return MeasureAt(v).flags2_offset; }},
      {standin::kStaffSystemTag, "indent", Fixed(QCStaffSystem::kIndentOffset)},
      {standin::kStaffSystemTag, "firstMeasure", Fixed(QCStaffSystem::kFirstMeasureOffset)},
      {standin::kStaffSystemTag, "systemFlags", Fixed(QCStaffSystem::kSystemFlagsOffset)},
      {standin::kStaffSystemTag, "endMeasure", Fixed(QCStaffSystem::kEndMeasureOffset)},
      {standin::kSystemStaffTag, "staff", Fixed(QCSystemStaff::kStaffOffset)},
      {standin::kStaffDetailTag, "detailValue", Fixed(QCSystemStaff::kDetailValueOffset)},
      {standin::kFrozenSystemTag, "endMeasure", Fixed(QCFreezeSystem::kEndMeasureOffset)},
      {standin::kRegionTag, "firstMeasure", [](uint32_t v) { return RegionAt(v).first_measure; }},
      {standin::kRegionTag, "endMeasure", [](uint32_t v) { return RegionAt(v).end_measure; }},
      {standin::kRegionTag, "clearedOnSplit",
       [](uint32_t v) { return RegionAt(v).cleared_on_split; }},
      {standin::kRegionTag, "enclosure1",
       [](uint32_t v) { return RegionAt(v).enclosure_offset[0]; }},
      {standin::kRegionTag, "enclosure2",
       [](uint32_t v) { return RegionAt(v).enclosure_offset[1]; }},
      {standin::kRegionTag, "enclosure3",
       [](uint32_t v) { return RegionAt(v).enclosure_offset[2]; }},
      {standin::kRegionTag, "enclosure4",
       [](uint32_t v) { return RegionAt(v).enclosure_offset[3]; }},
      {standin::kRestTag, "endMeasure", Fixed(QCMultiMeasureRest::kEndMeasureOffset)},
      {standin::kRestSettingsTag, "words", Fixed(kNotRead)},
      {standin::kSplitGateSettingTag, "words", SplitGateWord},
  };
  return rows;
}

struct FlagRow {
  uint32_t tag;
  const char* field;
  const char* name;
  uint16_t mask;
  uint32_t from_version;
  uint64_t until_version;
};

constexpr uint64_t kEver = uint64_t{1} << 32;

// Each flag of the description, with the module's bits and the versions
// from which and until which the module sets or reads them.
const std::vector<FlagRow>& Flags() {
  static const std::vector<FlagRow> rows = {
      {standin::kMeasureTag, "measureFlags1", "pieceStart", QCMeasure::kFlags1PieceStart, 0, kEver},
      {standin::kMeasureTag, "measureFlags2", "pieceStart", QCMeasure::kFlags2PieceStart, 0, kEver},
      {standin::kMeasureTag, "measureFlags1", "pieceStartMark", QCMeasure::kFlags1PieceStartMark,
       host::kPieceMarksFrom, kEver},
      {standin::kMeasureTag, "measureFlags2", "setAtPieceStart", QCMeasure::kFlags2SetAtPieceStart,
       0, kEver},
      {standin::kMeasureTag, "measureFlags1", "clearedAtPieceStart",
       QCMeasure::kFlags1ClearedAtPieceStart, 0, kEver},
      {standin::kMeasureTag, "measureFlags1", "pieceEnd", QCMeasure::kFlags1PieceEnd, 0, kEver},
      {standin::kMeasureTag, "measureFlags2", "pieceEnd", QCMeasure::kFlags2PieceEnd, 0, kEver},
      {standin::kMeasureTag, "measureFlags2", "setAtPieceEnd", QCMeasure::kFlags2SetAtPieceEnd, 0,
       kEver},
      {standin::kMeasureTag, "measureFlags2", "clearedAtPieceEnd",
       QCMeasure::kFlags2ClearedAtPieceEnd, 0, kEver},
      {standin::kStaffSystemTag, "systemFlags", "ownStaffList", QCStaffSystem::kOwnStaffList, 0,
       host::kOwnStaffListsFrom},
  };
  return rows;
}

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

std::string Where(uint32_t tag, const char* field, uint32_t version) {
  const standin::RecordKind* kind = RecordLayouts::Kind(tag);
  return std::string(kind != nullptr ? kind->description : "?") + " '" + standin::TagName(tag) +
         "'" + (field != nullptr ? std::string(" ") + field : "") + " at host version " +
         Hex(version);
}

const char* const kDescribe =
    " (describe the record in standin/store/record_layouts.cpp, give the module's side a row"
    " here; docs/architecture.md, \"Adding things\")";

std::vector<uint32_t> Versions() {
  std::set<uint32_t> versions;
  for (uint32_t v : RecordLayouts::VersionsToTry()) versions.insert(v);
  for (uint32_t major = 0; major <= 0xFF; ++major) versions.insert(major << 24);
  return {versions.begin(), versions.end()};
}

TEST(RecordLayoutsAgreeTest, EveryRecordFieldAndInnerRecordAtEveryHostVersion) {
  for (uint32_t version : Versions()) {
    // Every kind the host describes has a module row, from the same host
    // version on, and the sizes agree.
    for (const standin::RecordKind& any : RecordLayouts::Kinds()) {
      const RecordRow* row = nullptr;
      for (const RecordRow& r : Records()) row = r.tag == any.tag ? &r : row;
      ASSERT_NE(row, nullptr) << Where(any.tag, nullptr, version) << ": no module row" << kDescribe;
      EXPECT_EQ(Hex(row->first_version), Hex(any.first_version()))
          << Where(any.tag, nullptr, version) << ": the host version from which it exists";
      if (!RecordLayouts::Exists(any.tag, version)) continue;
      const standin::RecordLayout& layout = RecordLayouts::Find(any.tag, version);
      EXPECT_EQ(row->module_tag, any.tag) << Where(any.tag, "tag", version) << kDescribe;
      EXPECT_EQ(row->size(version), layout.size) << Where(any.tag, "size", version) << kDescribe;

      // Every field and inner record the host names has a row.
      std::set<std::string> named;
      for (const standin::FieldLayout& field : layout.fields) named.insert(field.name);
      for (const standin::InnerRecord& inner : layout.inner) named.insert(inner.name);
      for (const FieldRow& f : Fields()) {
        if (f.tag == any.tag) named.erase(f.field);
      }
      EXPECT_TRUE(named.empty()) << Where(any.tag, named.empty() ? "" : named.begin()->c_str(),
                                          version)
                                 << ": no module row" << kDescribe;
    }
    // The offsets, field by field.
    for (const FieldRow& f : Fields()) {
      if (!RecordLayouts::Exists(f.tag, version)) continue;
      const standin::RecordLayout& layout = RecordLayouts::Find(f.tag, version);
      const standin::FieldLayout* field = layout.FindField(f.field);
      const standin::InnerRecord* inner = RecordLayouts::FindInner(f.tag, version, f.field);
      ASSERT_TRUE(field != nullptr || inner != nullptr)
          << Where(f.tag, f.field, version) << ": the host names no such field" << kDescribe;
      const uint64_t module = f.offset(version);
      if (module == kNotRead) continue;
      if (field != nullptr && field->kind == standin::FieldKind::kWords) {
        // The module reads one word of a word list: that word exists.
        EXPECT_LT(module, field->count) << Where(f.tag, f.field, version) << kDescribe;
      } else if (field != nullptr) {
        EXPECT_EQ(module, field->offset) << Where(f.tag, f.field, version)
                                         << ": module's offset against the host's" << kDescribe;
      } else {
        EXPECT_EQ(module, inner->offset) << Where(f.tag, f.field, version)
                                         << ": module's offset against the host's" << kDescribe;
        EXPECT_LE(inner->offset + RecordLayouts::Find(inner->tag, version).size, layout.size)
            << Where(f.tag, f.field, version) << ": lies past the record's end";
      }
    }
  }
}

TEST(RecordLayoutsAgreeTest, EveryFlagBitAndTheVersionsFromWhichItMeansSomething) {
  for (const standin::FlagLayout& flag : RecordLayouts::Flags()) {
    const FlagRow* row = nullptr;
    for (const FlagRow& r : Flags()) {
      if (r.tag == flag.tag && std::string(r.field) == flag.field &&
          std::string(r.name) == flag.name)
        row = &r;
    }
    const std::string where = standin::TagName(flag.tag) + " " + flag.field + " " + flag.name;
    ASSERT_NE(row, nullptr) << where << ": no module row" << kDescribe;
    EXPECT_EQ(Hex(row->mask), Hex(flag.mask)) << where << ": module's bits against the host's";
    EXPECT_EQ(Hex(row->from_version), Hex(flag.from_version))
        << where << ": the host version from which the bits mean something" << kDescribe;
    EXPECT_EQ(Hex(row->until_version), Hex(flag.until_version))
        << where << ": the host version from which the bits mean nothing again" << kDescribe;
    for (uint32_t version : Versions()) {
      if (!RecordLayouts::Exists(flag.tag, version)) continue;
      ASSERT_NE(RecordLayouts::Find(flag.tag, version).FindField(flag.field), nullptr)
          << Where(flag.tag, flag.field, version) << ": the flag's field is missing";
    }
  }
  EXPECT_EQ(Flags().size(), RecordLayouts::Flags().size()) << "a module row the host lacks";
}

// What the module writes into a record it makes anew is what the host puts
// in a new record of that layout.
TEST(RecordLayoutsAgreeTest, ARecordTheModuleMakesAnewIsTheHostsNewRecord) {
  const uint32_t reported = host::HostVersion();
  for (uint32_t version : RecordLayouts::VersionsToTry()) {
    host::SetHostVersion(version);
    const auto record = [](QCBaseData&& object) {
      return standin::Bytes(object.DataBuffer(),
                            object.DataBuffer() + static_cast<size_t>(object.DataSize()));
    };
    EXPECT_EQ(record(QCMultiMeasureRest()), RecordLayouts::New(standin::kRestTag, version))
        << Where(standin::kRestTag, nullptr, version);
    EXPECT_EQ(record(QCFreezeSystem()), RecordLayouts::New(standin::kFrozenSystemTag, version))
        << Where(standin::kFrozenSystemTag, nullptr, version);
    EXPECT_EQ(record(QCSystemStaff()), RecordLayouts::New(standin::kSystemStaffTag, version))
        << Where(standin::kSystemStaffTag, nullptr, version);
    EXPECT_EQ(record(QCMeasureNumberRegion()), RecordLayouts::New(standin::kRegionTag, version))
        << Where(standin::kRegionTag, nullptr, version);
  }
  host::SetHostVersion(reported);
}

}  // namespace
