// The host's own record layouts: which bytes a field is read from at each
// host version, how values and flags are read and written, and that the gaps
// and fields of every layout account for each byte exactly once.
#include "standin/store/record_layouts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace standin;

// A record of `size` bytes whose byte i is i, so a read tells its offset.
Bytes Numbered(size_t size) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i);
  return bytes;
}

// Every field of every layout is read from and written to its own offset,
// and each layout holds from its first version until the next one's.
TEST(RecordLayoutsTest, EachLayoutHoldsItsVersionsAndReadsEachFieldAtItsOffset) {
  for (const RecordLayout& layout : RecordLayouts::All()) {
    SCOPED_TRACE(std::string(layout.description) + " from " + std::to_string(layout.from_version));
    EXPECT_EQ(&RecordLayouts::Find(layout.tag, layout.from_version), &layout);
    if (layout.from_version > layout.kind->first_version()) {
      EXPECT_NE(&RecordLayouts::Find(layout.tag, layout.from_version - 1), &layout);
    } else if (layout.from_version > 0) {
      EXPECT_FALSE(RecordLayouts::Exists(layout.tag, layout.from_version - 1));
    }
    for (const FieldLayout& field : layout.fields) {
      SCOPED_TRACE(field.name);
      const Bytes numbered = Numbered(layout.size);
      EXPECT_EQ(
          RecordLayouts::Read(numbered, layout.tag, layout.from_version, field.name).value_or(-1) &
              0xFF,
          static_cast<int32_t>(field.offset & 0xFF));
      Bytes written = Bytes(layout.size, 0);
      ASSERT_TRUE(RecordLayouts::Write(written, layout.tag, layout.from_version, field.name, -1));
      Bytes expected(layout.size, 0);
      std::fill_n(expected.begin() + static_cast<long>(field.offset), field.element_size(), 0xFF);
      EXPECT_EQ(written, expected);
    }
  }
  EXPECT_FALSE(RecordLayouts::Exists(standin::MakeTag("pfmm"), 0));
  EXPECT_FALSE(RecordLayouts::IsKnownTag(standin::MakeTag("XXXX")));
  Bytes setting = Numbered(12);
  EXPECT_EQ(RecordLayouts::Read(setting, kSplitGateSettingTag, 0, "words", kSplitGateWord), 0x0908);
}

// A flag sets and clears its own bits only; a group of bits counts as set
// when all of them are; versions around each flag's bounds are tried.
TEST(RecordLayoutsTest, FlagsTouchOnlyTheirBits) {
  const uint32_t v = 0x12000000;
  Bytes measure = RecordLayouts::Blank(kMeasureTag, v);
  ASSERT_TRUE(RecordLayouts::Write(measure, kMeasureTag, v, "measureFlags2", 0x0401));
  EXPECT_FALSE(RecordLayouts::HasFlag(measure, kMeasureTag, v, "measureFlags2", "setAtPieceStart"));
  ASSERT_TRUE(
      RecordLayouts::SetFlag(measure, kMeasureTag, v, "measureFlags2", "setAtPieceStart", true));
  EXPECT_TRUE(RecordLayouts::HasFlag(measure, kMeasureTag, v, "measureFlags2", "setAtPieceStart"));
  EXPECT_EQ(RecordLayouts::Read(measure, kMeasureTag, v, "measureFlags2"), 0x0C01);
  ASSERT_TRUE(
      RecordLayouts::SetFlag(measure, kMeasureTag, v, "measureFlags2", "setAtPieceStart", false));
  EXPECT_EQ(RecordLayouts::Read(measure, kMeasureTag, v, "measureFlags2"), 0x0001);
  EXPECT_EQ(RecordLayouts::Mask(kMeasureTag, "measureFlags1", {"pieceStart", "pieceStartMark"}),
            0x8800);

  Bytes short_system(10, 0);
  EXPECT_FALSE(RecordLayouts::SetFlag(short_system, kStaffSystemTag, 0, "systemFlags",
                                      "ownStaffList", true));
  EXPECT_EQ(short_system, Bytes(10, 0));
  EXPECT_FALSE(
      RecordLayouts::HasFlag(short_system, kStaffSystemTag, 0, "systemFlags", "ownStaffList"));

  // Every layout of a flag's kind has the flag's field, so a record of its
  // layout's size always takes the flag.
  for (const FlagLayout& flag : RecordLayouts::Flags()) {
    for (const RecordLayout& layout : RecordLayouts::All()) {
      if (layout.tag != flag.tag) continue;
      const FieldLayout* field = layout.FindField(flag.field);
      EXPECT_TRUE(field != nullptr && field->kind == FieldKind::kFlags)
          << flag.field << " " << std::hex << layout.from_version;
    }
  }

  const std::vector<uint32_t> tried = RecordLayouts::VersionsToTry();
  for (const FlagLayout& flag : RecordLayouts::Flags()) {
    for (uint64_t edge : {uint64_t{flag.from_version}, flag.until_version}) {
      if (edge == 0 || edge > 0xFFFFFFFF) continue;
      EXPECT_TRUE(std::count(tried.begin(), tried.end(), edge) == 1 &&
                  std::count(tried.begin(), tried.end(), edge - 1) == 1)
          << flag.name << " " << edge;
    }
  }
}

TEST(RecordLayoutsTest, SignedFieldsSignExtendAndShortRecordsHaveNoField) {
  Bytes system(28, 0);
  ASSERT_TRUE(RecordLayouts::Write(system, kStaffSystemTag, 0, "indent", -5));
  ASSERT_TRUE(RecordLayouts::Write(system, kStaffSystemTag, 0, "systemFlags", 0xC000));
  EXPECT_EQ(system[2], 0xFB);
  EXPECT_EQ(system[3], 0xFF);
  EXPECT_EQ(RecordLayouts::Read(system, kStaffSystemTag, 0, "indent"), -5);
  EXPECT_EQ(RecordLayouts::Read(system, kStaffSystemTag, 0, "systemFlags"), 0xC000);
  EXPECT_FALSE(RecordLayouts::Read(system, kStaffSystemTag, 0, "nothing").has_value());

  Bytes short_system(13, 0);
  EXPECT_TRUE(RecordLayouts::Read(short_system, kStaffSystemTag, 0, "systemFlags").has_value());
  EXPECT_FALSE(RecordLayouts::Read(short_system, kStaffSystemTag, 0, "endMeasure").has_value());
  EXPECT_FALSE(RecordLayouts::Write(short_system, kStaffSystemTag, 0, "endMeasure", 9));
  EXPECT_EQ(short_system, Bytes(13, 0));
}

// Fields and gaps account for each byte once; records kept inside lie in gaps.
TEST(RecordLayoutsTest, GapsAndFieldsCoverEveryByteOnce) {
  for (const RecordLayout& layout : RecordLayouts::All()) {
    SCOPED_TRACE(std::string(layout.description) + " from " + std::to_string(layout.from_version));
    std::vector<int> covered(layout.size, 0);
    for (const FieldLayout& field : layout.fields) {
      for (size_t i = 0; i < field.width(); ++i) ++covered.at(field.offset + i);
    }
    std::vector<int> in_gap(layout.size, 0);
    for (const Gap& gap : layout.Gaps()) {
      EXPECT_GT(gap.size, 0u) << "at " << gap.offset;
      for (size_t i = 0; i < gap.size; ++i)
        ++covered.at(gap.offset + i), in_gap.at(gap.offset + i) = 1;
    }
    EXPECT_EQ(covered, std::vector<int>(layout.size, 1));
    for (const InnerRecord& inner : layout.inner) {
      const size_t size = RecordLayouts::Find(inner.tag, layout.from_version).size;
      for (size_t i = 0; i < size; ++i) EXPECT_EQ(in_gap.at(inner.offset + i), 1) << inner.name;
    }
  }
}

// How docs/document-format.md names a field: "`indent` signed @2"; the
// offset only for a kind of one layout.
std::string FieldInWords(const FieldLayout& field, bool one_layout) {
  std::string kind;
  switch (field.kind) {
    case FieldKind::kSigned:
    case FieldKind::kUnsigned:
      kind = field.kind == FieldKind::kSigned ? "signed" : "unsigned";
      if (field.number_size == 1) kind += " 8-bit";
      break;
    case FieldKind::kFlags:
      kind = field.number_size == 1 ? "flags 8-bit" : "flags";
      break;
    case FieldKind::kWords:
      kind = std::to_string(field.count) + " words";
      break;
    case FieldKind::kText:
      kind = "text[" + std::to_string(field.count) + "]";
      break;
    case FieldKind::kBytes:
      kind = "bytes[" + std::to_string(field.count) + "]";
      break;
  }
  std::string text = "`" + std::string(field.name) + "` " + kind;
  return one_layout ? text + " @" + std::to_string(field.offset) : text;
}

// The table of layouts in docs/document-format.md has one row per kind of the
// record table, in its order, with its tag, description, first host version
// (when not 0), size and fields.
TEST(RecordLayoutsTest, TheDocumentFormatsTableOfLayoutsIsTheRecordTable) {
  std::ifstream file(QUILLO_SOURCE_DIR "/docs/document-format.md");
  std::vector<std::string> rows;
  bool in_layouts = false;
  for (std::string line; std::getline(file, line);) {
    if (line.rfind("## ", 0) == 0) in_layouts = line == "## Layouts";
    if (in_layouts && line.rfind("| `", 0) == 0) rows.push_back(line);
  }
  ASSERT_EQ(rows.size(), RecordLayouts::Kinds().size())
      << "docs/document-format.md, \"Layouts\": one row per kind of record";
  size_t row = 0;
  for (const RecordKind& kind : RecordLayouts::Kinds()) {
    const bool one_layout = kind.layouts.size() == 1;
    std::string fields;
    for (const FieldLayout& field : kind.layouts.back().fields)
      fields += (fields.empty() ? "" : ", ") + FieldInWords(field, one_layout);
    const std::string size =
        one_layout ? std::to_string(kind.layouts.front().size) : "by host version";
    const std::string& line = rows[row++];
    const size_t second = line.find(" | ", 2), last = line.rfind(" | ");
    const size_t third = line.rfind(" | ", last - 1);
    ASSERT_TRUE(second < third && third < last) << line;
    EXPECT_EQ(line.substr(0, second) + line.substr(third),
              "| `" + TagName(kind.tag) + "` | " + size + " | " +
                  (fields.empty() ? "none" : fields) + " |")
        << "docs/document-format.md: the row of the " << kind.description << " records";
    const std::string description = line.substr(second + 3, third - second - 3);
    EXPECT_EQ(description.rfind(kind.description, 0), 0u) << line;
    char from[48];
    std::snprintf(from, sizeof from, "from host version 0x%08X", kind.first_version());
    EXPECT_EQ(description.find(from) != std::string::npos, kind.first_version() > 0) << line;
  }
}

}  // namespace
