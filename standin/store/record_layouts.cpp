#include "standin/store/record_layouts.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <set>

namespace standin {
namespace {

// The layouts, as the host stores them (all values little-endian). A kind's
// layouts are listed in ascending host version; each holds from its version
// until the next one's, and the host keeps no record of the kind before its
// first. Fields are 16-bit words unless the grammar says otherwise (u8: one
// byte, text[n]: n bytes of 8-bit text, bytes[n]: n raw bytes).
//
//   measure 'SOMS', 26 bytes:
//     gap[8] measureFlags1:flags@8 measureFlags2:flags@10 gap[14]
//   measure 'SOMS' from 0x12000000, 30 bytes (4 bytes inserted at 4):
//     gap[12] measureFlags1:flags@12 measureFlags2:flags@14 gap[14]
//   staff system 'SOSS', 28 bytes:
//     gap[2] indent:s16@2 gap[4] firstMeasure:s16@8 systemFlags:flags@10
//     endMeasure:s16@12 gap[14]
//   system staff 'SOIu', 24 bytes: staff:u16@0 gap[22]
//   staff detail 'dtLP', 10 bytes: detailValue:s16@0 gap[8]
//   frozen system 'otFM', 12 bytes: endMeasure:s16@0 gap[10]; word @2 is 1 in
//     a new record
//   part 'otpD', 12 bytes; enclosure 'otDe', 12 bytes: gap[12]
//   measure-number region 'SOMN', with four enclosures 'otDe' inside:
//     88 bytes: firstMeasure@6 endMeasure@8 clearedOnSplit@16,
//       the four enclosures share the bytes @70
//     from 0x0F000000, 196 bytes: @132 @134 @140, enclosures @18 @84 @30 @96
//     from 0x11000000, 350 bytes: @140 @142 @150, enclosures @18 @88 @30 @100
//   multimeasure rest 0x4F025849, 24 bytes: gap[2] endMeasure:s16@2 gap[20];
//     word @0 is 300 in a new record
//   setting records 'ot25', 'ot83', 12 bytes: words:u16[6]@0
//
// These layouts are the host's file format and must not be changed. A new
// host version that stores a record differently is one more layout row here,
// a new kind of record one more kind row: documents, builders, the score
// generator, show and diff take it from there.

constexpr size_t kSettingWords = 6;

std::vector<InnerRecord> Enclosures(size_t at1, size_t at2, size_t at3, size_t at4) {
  return {{"enclosure1", at1, kEnclosureTag},
          {"enclosure2", at2, kEnclosureTag},
          {"enclosure3", at3, kEnclosureTag},
          {"enclosure4", at4, kEnclosureTag}};
}

// Kind rows: tag, description, addressing, kept per part, report, layouts
// ({from_version, size, fields, inner records, new-record words}).
const std::vector<RecordKind>& KindRows() {
  using enum Addressing;
  constexpr bool kPerPart = true, kDocumentWide = false;
  static const std::vector<RecordKind> kKinds = {
      {kMeasureTag,
       "measure",
       kByMeasure,
       kDocumentWide,
       Report::kOwnPicture,
       {{0,
         26,
         {{"measureFlags1", 8, FieldKind::kFlags}, {"measureFlags2", 10, FieldKind::kFlags}}},
        {0x12000000,
         30,
         {{"measureFlags1", 12, FieldKind::kFlags}, {"measureFlags2", 14, FieldKind::kFlags}}}}},
      {kStaffSystemTag,
       "staff system",
       kByNumber,
       kPerPart,
       Report::kOwnPicture,
       {{0,
         28,
         {{"indent", 2, FieldKind::kSigned},
          {"firstMeasure", 8, FieldKind::kSigned},
          {"systemFlags", 10, FieldKind::kFlags},
          {"endMeasure", 12, FieldKind::kSigned}}}}},
      {kSystemStaffTag,
       "system staff",
       kByNumberAndInci,
       kPerPart,
       Report::kOwnPicture,
       {{0, 24, {{"staff", 0, FieldKind::kUnsigned}}}}},
      {kStaffDetailTag,
       "staff detail",
       kByNumberAndInci,
       kPerPart,
       Report::kOwnPicture,
       {{0, 10, {{"detailValue", 0, FieldKind::kSigned}}}}},
      {kFrozenSystemTag,
       "frozen system",
       kByMeasure,
       kPerPart,
       Report::kOwnPicture,
       {{0, 12, {{"endMeasure", 0, FieldKind::kSigned}}, {}, {{2, 1}}}}},
      {kPartTag, "part", kByNumber, kDocumentWide, Report::kOneByOne, {{0, 12, {}}}},
      {kEnclosureTag, "enclosure", kByNumber, kDocumentWide, Report::kOneByOne, {{0, 12, {}}}},
      {kRegionTag,
       "measure-number region",
       kByNumber,
       kDocumentWide,
       Report::kOwnPicture,
       {{0,
         88,
         {{"firstMeasure", 6, FieldKind::kSigned},
          {"endMeasure", 8, FieldKind::kSigned},
          {"clearedOnSplit", 16, FieldKind::kUnsigned}},
         Enclosures(70, 70, 70, 70)},
        {0x0F000000,
         196,
         {{"firstMeasure", 132, FieldKind::kSigned},
          {"endMeasure", 134, FieldKind::kSigned},
          {"clearedOnSplit", 140, FieldKind::kUnsigned}},
         Enclosures(18, 84, 30, 96)},
        {0x11000000,
         350,
         {{"firstMeasure", 140, FieldKind::kSigned},
          {"endMeasure", 142, FieldKind::kSigned},
          {"clearedOnSplit", 150, FieldKind::kUnsigned}},
         Enclosures(18, 88, 30, 100)}}},
      {kRestTag,
       "multimeasure rest",
       kByMeasure,
       kPerPart,
       Report::kOwnPicture,
       {{0, 24, {{"endMeasure", 2, FieldKind::kSigned}}, {}, {{0, 300}}}}},
      {kRestSettingsTag,
       "rest settings",
       kSetting,
       kDocumentWide,
       Report::kOneByOne,
       {{0, 12, {{"words", 0, FieldKind::kWords, kSettingWords}}}}},
      {kSplitGateSettingTag,
       "rest split setting",
       kSetting,
       kDocumentWide,
       Report::kOneByOne,
       {{0, 12, {{"words", 0, FieldKind::kWords, kSettingWords}}}}},
  };
  return kKinds;
}

// The table as the program asks it: the kinds (those of the rows and any a
// test adds), every layout with its kind's tag and description, and the
// part-scoped tags, which the store asks for on every record it keeps.
struct Table {
  std::deque<RecordKind> kinds;  // a deque: adding a kind moves no other
  std::vector<RecordLayout> layouts;
  std::vector<uint32_t> part_scoped;

  void Index() {
    layouts.clear();
    part_scoped.clear();
    for (const RecordKind& kind : kinds) {
      for (const LayoutRow& row : kind.layouts) {
        RecordLayout layout;
        static_cast<LayoutRow&>(layout) = row;
        layout.tag = kind.tag;
        layout.description = kind.description;
        layout.kind = &kind;
        layouts.push_back(std::move(layout));
      }
      if (kind.part_scoped) part_scoped.push_back(kind.tag);
    }
  }
};

Table& TheTable() {
  static Table table = [] {
    Table rows;
    rows.kinds.assign(KindRows().begin(), KindRows().end());
    rows.Index();
    return rows;
  }();
  return table;
}

const std::deque<RecordKind>& AllKinds() {
  return TheTable().kinds;
}

const std::vector<RecordLayout>& AllLayouts() {
  return TheTable().layouts;
}

// The flags, as the host reads and writes them. The host versions here are
// the host's and must not be changed; a flag that begins or ends to mean
// something at a new version is one more row (or a changed bound) here.
const std::vector<FlagLayout>& AllFlags() {
  static const std::vector<FlagLayout> kFlags = {
      // A piece starts at the measure.
      {kMeasureTag, "measureFlags1", "pieceStart", 0x8000},
      {kMeasureTag, "measureFlags2", "pieceStart", 0x8000},
      {kMeasureTag, "measureFlags1", "pieceStartMark", 0x0800, 0x10000000},
      {kMeasureTag, "measureFlags2", "setAtPieceStart", 0x0C00},
      {kMeasureTag, "measureFlags1", "clearedAtPieceStart", 0x0030},
      // A piece ends with the measure.
      {kMeasureTag, "measureFlags1", "pieceEnd", 0x4000},
      {kMeasureTag, "measureFlags2", "pieceEnd", 0x2000},
      {kMeasureTag, "measureFlags2", "setAtPieceEnd", 0x0050},
      {kMeasureTag, "measureFlags2", "clearedAtPieceEnd", 0x00A0},
      // The system keeps a staff list of its own, filed under its number;
      // from 0x10000000 on every system does, whatever the bit.
      {kStaffSystemTag, "systemFlags", "ownStaffList", 0x4000, 0, 0x10000000},
  };
  return kFlags;
}

}  // namespace

uint16_t ReadWord(const Bytes& bytes, size_t offset) {
  return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

void WriteWord(Bytes& bytes, size_t offset, uint16_t value) {
  bytes[offset] = static_cast<uint8_t>(value & 0xFF);
  bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

const FieldLayout* LayoutRow::FindField(std::string_view name) const {
  for (const FieldLayout& field : fields) {
    if (name == field.name) return &field;
  }
  return nullptr;
}

std::vector<Gap> LayoutRow::Gaps() const {
  std::vector<Gap> gaps;
  size_t at = 0;
  for (const FieldLayout& field : fields) {
    if (field.offset > at) gaps.push_back({at, field.offset - at});
    at = field.offset + field.width();
  }
  if (size > at) gaps.push_back({at, size - at});
  return gaps;
}

const std::deque<RecordKind>& RecordLayouts::Kinds() {
  return AllKinds();
}

const RecordKind* RecordLayouts::Kind(uint32_t tag) {
  for (const RecordKind& kind : AllKinds()) {
    if (kind.tag == tag) return &kind;
  }
  return nullptr;
}

bool RecordLayouts::IsKnownTag(uint32_t tag) {
  return Kind(tag) != nullptr;
}

bool RecordLayouts::Exists(uint32_t tag, uint32_t host_version) {
  const RecordKind* kind = Kind(tag);
  return kind != nullptr && kind->first_version() <= host_version;
}

std::string RecordLayouts::NoSuchRecord(uint32_t tag, uint32_t host_version) {
  // (The tag as a number: the recording test module links this file alone.)
  char line[200];
  const RecordKind* kind = Kind(tag);
  if (kind == nullptr) {
    std::snprintf(line, sizeof line, "no such record on this host: tag 0x%08X is unknown",
                  static_cast<unsigned>(tag));
  } else {
    std::snprintf(line, sizeof line,
                  "no such record on this host: the host keeps %s records from host version "
                  "0x%08X on, and this document's is 0x%08X",
                  kind->description, static_cast<unsigned>(kind->first_version()),
                  static_cast<unsigned>(host_version));
  }
  return line;
}

bool RecordLayouts::IsPartScoped(uint32_t tag) {
  const std::vector<uint32_t>& scoped = TheTable().part_scoped;
  return std::find(scoped.begin(), scoped.end(), tag) != scoped.end();
}

RecordLayouts::ScopedKind::ScopedKind(RecordKind kind) {
  TheTable().kinds.push_back(std::move(kind));
  TheTable().Index();
}

RecordLayouts::ScopedKind::~ScopedKind() {
  TheTable().kinds.pop_back();
  TheTable().Index();
}

const std::vector<RecordLayout>& RecordLayouts::All() {
  return AllLayouts();
}

std::vector<uint32_t> RecordLayouts::LayoutRangeStarts() {
  std::set<uint32_t> starts{0};
  for (const RecordLayout& layout : AllLayouts()) starts.insert(layout.from_version);
  return {starts.begin(), starts.end()};
}

std::vector<uint32_t> RecordLayouts::VersionsToTry() {
  std::set<uint32_t> versions{kCurrentHostVersion};
  const std::vector<uint32_t> starts = LayoutRangeStarts();
  std::vector<uint64_t> edges(starts.begin(), starts.end());
  for (const FlagLayout& flag : AllFlags()) {
    edges.push_back(flag.from_version);
    edges.push_back(flag.until_version);
  }
  for (uint64_t edge : edges) {
    if (edge <= 0xFFFFFFFF) versions.insert(static_cast<uint32_t>(edge));
    if (edge > 0) versions.insert(static_cast<uint32_t>(edge - 1));
  }
  return {versions.begin(), versions.end()};
}

const RecordLayout& RecordLayouts::Find(uint32_t tag, uint32_t host_version) {
  // A tag's layouts ascend: the last one begun by `host_version` holds.
  const RecordLayout* found = nullptr;
  for (const RecordLayout& layout : AllLayouts()) {
    if (layout.tag == tag && layout.from_version <= host_version) found = &layout;
  }
  if (found == nullptr) {
    std::fprintf(stderr, "%s\n", NoSuchRecord(tag, host_version).c_str());
    std::abort();
  }
  return *found;
}

int32_t RecordLayouts::FieldValue(const Bytes& bytes, const FieldLayout& field, size_t index) {
  const size_t at = field.offset + field.element_size() * index;
  if (field.element_size() == 1) {
    return field.kind == FieldKind::kSigned ? int32_t{static_cast<int8_t>(bytes[at])}
                                            : int32_t{bytes[at]};
  }
  uint16_t word = ReadWord(bytes, at);
  return field.kind == FieldKind::kSigned ? int32_t{static_cast<int16_t>(word)} : int32_t{word};
}

std::string RecordLayouts::FieldText(const Bytes& bytes, const FieldLayout& field) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  switch (field.kind) {
    case FieldKind::kSigned:
    case FieldKind::kUnsigned:
      return std::to_string(FieldValue(bytes, field));
    case FieldKind::kFlags: {
      char hex[12];
      std::snprintf(hex, sizeof hex, "0x%0*X", static_cast<int>(2 * field.number_size),
                    static_cast<unsigned>(FieldValue(bytes, field)));
      return hex;
    }
    case FieldKind::kWords:
      text = "[";
      for (size_t i = 0; i < field.count; ++i) {
        if (i > 0) text += ", ";
        text += std::to_string(FieldValue(bytes, field, i));
      }
      return text + "]";
    case FieldKind::kText: {
      // The padding is every NUL byte at the end; a NUL inside is kept.
      size_t end = field.offset + field.count;
      while (end > field.offset && bytes[end - 1] == 0) --end;
      text = "\"";
      for (size_t i = field.offset; i < end; ++i) {
        const uint8_t byte = bytes[i];
        if (byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\') {
          text += static_cast<char>(byte);
        } else {
          text += "\\u00";
          text += kDigits[byte >> 4];
          text += kDigits[byte & 0xF];
        }
      }
      return text + "\"";
    }
    case FieldKind::kBytes:
      text = "\"";
      for (size_t i = field.offset; i < field.offset + field.count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0xF];
      }
      return text + "\"";
  }
  return text;
}

std::optional<int32_t> RecordLayouts::Read(const Bytes& bytes, uint32_t tag, uint32_t host_version,
                                           std::string_view name, size_t index) {
  if (!Exists(tag, host_version)) return std::nullopt;
  const FieldLayout* field = Find(tag, host_version).FindField(name);
  if (field == nullptr || index >= field->count) return std::nullopt;
  if (field->offset + field->element_size() * (index + 1) > bytes.size()) return std::nullopt;
  return FieldValue(bytes, *field, index);
}

bool RecordLayouts::Write(Bytes& bytes, uint32_t tag, uint32_t host_version, std::string_view name,
                          int32_t value, size_t index) {
  if (!Exists(tag, host_version)) return false;
  const FieldLayout* field = Find(tag, host_version).FindField(name);
  if (field == nullptr || index >= field->count) return false;
  const size_t at = field->offset + field->element_size() * index;
  if (at + field->element_size() > bytes.size()) return false;
  if (field->element_size() == 1) {
    bytes[at] = static_cast<uint8_t>(value & 0xFF);
  } else {
    WriteWord(bytes, at, static_cast<uint16_t>(value & 0xFFFF));
  }
  return true;
}

const std::vector<FlagLayout>& RecordLayouts::Flags() {
  return AllFlags();
}

const FlagLayout& RecordLayouts::Flag(uint32_t tag, std::string_view field, std::string_view name) {
  for (const FlagLayout& flag : AllFlags()) {
    if (flag.tag == tag && field == flag.field && name == flag.name) return flag;
  }
  // (The tag as a number: the recording test module links this file alone.)
  std::fprintf(stderr, "no flag %.*s of %.*s in records of tag 0x%08X\n",
               static_cast<int>(name.size()), name.data(), static_cast<int>(field.size()),
               field.data(), static_cast<unsigned>(tag));
  std::abort();
}

uint16_t RecordLayouts::Mask(uint32_t tag, std::string_view field,
                             std::initializer_list<std::string_view> names) {
  uint16_t mask = 0;
  for (std::string_view name : names) mask |= Flag(tag, field, name).mask;
  return mask;
}

bool RecordLayouts::HasFlag(const Bytes& bytes, uint32_t tag, uint32_t host_version,
                            std::string_view field, std::string_view name) {
  const uint16_t mask = Flag(tag, field, name).mask;
  std::optional<int32_t> word = Read(bytes, tag, host_version, field);
  return word.has_value() && (*word & mask) == mask;
}

bool RecordLayouts::SetFlag(Bytes& bytes, uint32_t tag, uint32_t host_version,
                            std::string_view field, std::string_view name, bool on) {
  const uint16_t mask = Flag(tag, field, name).mask;
  std::optional<int32_t> word = Read(bytes, tag, host_version, field);
  if (!word.has_value()) return false;
  return Write(bytes, tag, host_version, field, on ? (*word | mask) : (*word & ~mask));
}

const InnerRecord* RecordLayouts::FindInner(uint32_t tag, uint32_t host_version,
                                            std::string_view name) {
  if (!Exists(tag, host_version)) return nullptr;
  for (const InnerRecord& inner : Find(tag, host_version).inner) {
    if (name == inner.name) return &inner;
  }
  return nullptr;
}

Bytes RecordLayouts::Blank(uint32_t tag, uint32_t host_version) {
  return Bytes(Find(tag, host_version).size, 0);
}

Bytes RecordLayouts::New(uint32_t tag, uint32_t host_version) {
  Bytes bytes = Blank(tag, host_version);
  for (const NewRecordWord& word : Find(tag, host_version).new_record)
    WriteWord(bytes, word.offset, word.value);
  return bytes;
}

}  // namespace standin
