// Differences in words: a new piece started inside systems reads as splits
// and renumbering, not as a pile of changed records; other changes are
// named field by field.
#include "standin/reports/document_diff.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "standin/documents/record_builder.h"
#include "standin/store/record_layouts.h"
#include "tests/standin/score_builder.h"

namespace {

using standin::DocumentDiff;
using standin::HostDocument;
using testing_support::ScoreBuilder;

std::string Text(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// A score part and one instrument part over sixteen measures; with
// `new_piece`, the document as it should be once a piece starts at measure 7.
HostDocument Score(bool new_piece) {
  HostDocument doc;
  doc.host_version = 0x12000000;
  doc.parts = {0, 1};
  ScoreBuilder b(&doc);
  b.Measures(1, 16);
  b.MeasureFlags(6, 0, 0x00A0);
  b.MeasureFlags(7, 0x0030, 0);
  b.SplitGate(0);
  if (!new_piece) {
    for (int s = 1; s <= 4; ++s) b.System(0, s, 4 * s - 3, 4 * s + 1, s == 1 ? 30 : 0);
    for (int s = 1; s <= 4; ++s) b.Staves(0, s, {1, 2});
    b.Detail(0, 3, 2, 80);
    for (int m : {1, 5, 9, 13}) b.Frozen(0, m, m + 4);
    b.System(1, 1, 1, 9, 20);
    b.System(1, 2, 9, 17);
    b.Rest(1, 5, 13);
    b.Region(1, 1, 17);
    return doc;
  }
  b.MeasureFlags(6, 0x4000, 0x2050);
  b.MeasureFlags(7, 0x8800, 0x8C00);
  const int firsts[] = {1, 5, 7, 9, 13, 17};  // of systems 1 to 5, and the end
  for (int s = 1; s <= 5; ++s) {
    b.System(0, s, firsts[s - 1], firsts[s], s == 1 || s == 3 ? 30 : 0);
    b.Staves(0, s, {1, 2});
    b.Frozen(0, firsts[s - 1], firsts[s]);
  }
  b.Detail(0, 4, 2, 80);
  b.System(1, 1, 1, 7, 20);
  b.System(1, 2, 7, 9, 20);
  b.System(1, 3, 9, 17);
  b.Rest(1, 5, 7);
  b.Rest(1, 7, 13);
  b.Region(1, 1, 7);
  b.Region(2, 7, 17, 0);
  return doc;
}

TEST(DocumentDiffTest, ANewPieceReadsAsSplitsRenumberingAndMarks) {
  EXPECT_EQ(Text(DocumentDiff::Describe(Score(false), Score(true))),
            "measure 6 now ends a piece: measureFlags1 +0x4000, measureFlags2 +0x2050 "
            "\u22120x00A0\n"
            "measure 7 now starts a piece: measureFlags1 +0x8800 \u22120x0030, measureFlags2 "
            "+0x8C00\n"
            "measure-number region 1 (1\u201316) split at measure 7 \u2192 regions 1 (1\u20136) "
            "and 2 (7\u201316)\n"
            "measure-number region 2 (7\u201316), compared with region 1: clearedOnSplit 1 "
            "\u2192 0\n"
            "part 0: system 2 (5\u20138) split at measure 7 \u2192 systems 2 (5\u20136) and 3 "
            "(7\u20138)\n"
            "part 0: systems 3\u20134 renumbered 4\u20135\n"
            "part 0: system 3 (7\u20138): indent 0 \u2192 30\n"
            "part 0: frozen-system record at measure 5: 5\u20138 \u2192 5\u20136\n"
            "part 0: frozen-system record at measure 7 added (7\u20138)\n"
            "part 1: system 1 (1\u20138) split at measure 7 \u2192 systems 1 (1\u20136) and 2 "
            "(7\u20138)\n"
            "part 1: system 2 renumbered 3\n"
            "part 1: rest 5\u201312 split at measure 7 \u2192 5\u20136 and 7\u201312\n");
  EXPECT_TRUE(DocumentDiff::Describe(Score(true), Score(true)).empty());
}

// Undone, the new piece reads the other way: marks gone, pieces joined,
// the split rest back to one.
TEST(DocumentDiffTest, ANewPieceUndoneReadsAsJoinsAndMarksGone) {
  EXPECT_EQ(Text(DocumentDiff::Describe(Score(true), Score(false))),
            "measure 6 no longer ends a piece: measureFlags1 \u22120x4000, measureFlags2 +0x00A0 "
            "\u22120x2050\n"
            "measure 7 no longer starts a piece: measureFlags1 +0x0030 \u22120x8800, "
            "measureFlags2 \u22120x8C00\n"
            "measure-number region 1: measures 1\u20136 \u2192 1\u201316\n"
            "measure-number region 2 (7\u201316) removed\n"
            "part 0: systems 2 (5\u20136) and 3 (7\u20138) joined \u2192 system 2 (5\u20138)\n"
            "part 0: systems 4\u20135 renumbered 3\u20134\n"
            "part 0: frozen-system record at measure 5: 5\u20136 \u2192 5\u20138\n"
            "part 0: frozen-system record at measure 7 removed (7\u20138)\n"
            "part 1: systems 1 (1\u20136) and 2 (7\u20138) joined \u2192 system 1 (1\u20138)\n"
            "part 1: system 3 renumbered 2\n"
            "part 1: rest at measure 5: 5\u20136 \u2192 5\u201312\n"
            "part 1: rest 7\u201312 removed\n");
}

// The header, the slot table and the records read one by one, document-wide
// ones before the parts and those of a part after them.
TEST(DocumentDiffTest, HeaderSlotsAndOtherRecordsAreNamedOneByOne) {
  using standin::Bytes;
  HostDocument before = Score(false), after = Score(false);
  before.document_id = 3;
  after.document_id = 4;
  after.current_part = 1;
  before.slot_to_staff[{1, 0}] = 1;
  before.slot_to_staff[{2, 0}] = 2;
  after.slot_to_staff[{2, 0}] = 5;
  before.slot_to_staff[{3, 1}] = 3;
  after.slot_to_staff[{3, 1}] = 3;
  after.slot_to_staff[{4, 0}] = 4;
  before.Put(standin::kEnclosureTag, 2, 0, Bytes(12, 0));
  before.Put(standin::kPartTag, 1, 0, Bytes(12, 0));
  after.Put(standin::kPartTag, 0, 0, Bytes(12, 0));
  before.Put(standin::kEnclosureTag, 5, 0, Bytes(12, 0));
  after.Put(standin::kEnclosureTag, 5, 0, Bytes{1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9});
  after.Put(standin::MakeTag("XXXX"), 1, 2, Bytes(3, 0));
  after.Put(standin::kRestSettingsTag, 0x12, 0, Bytes(12, 0));
  // A kind of record each part keeps that no picture reads.
  const uint32_t kMarkTag = standin::MakeTag("zMrk");
  const standin::RecordLayouts::ScopedKind marks({kMarkTag,
                                                  "mark",
                                                  standin::Addressing::kByMeasure,
                                                  /*part_scoped=*/true,
                                                  standin::Report::kOneByOne,
                                                  {{0, 4, {}}}});
  after.Put(kMarkTag, 2, 0, Bytes(4, 0), 1);
  // Words of the settings other than the rest split gate bring no note.
  const std::array<uint16_t, 6> gate_set = {0, 0, 0, 0, 1, 0}, other_set = {0, 0, 5, 0, 0, 0};
  for (HostDocument* doc : {&before, &after}) {
    const bool is_after = doc == &after;
    auto setting = [&](uint32_t tag, uint16_t inci, const std::array<uint16_t, 6>& words) {
      doc->Put(tag, standin::kSettingCmper, inci,
               standin::SettingRecord(tag, doc->host_version,
                                      is_after ? words : std::array<uint16_t, 6>{}));
    };
    setting(standin::kRestSettingsTag, 0, gate_set);
    setting(standin::kSplitGateSettingTag, 0, other_set);
    setting(standin::kSplitGateSettingTag, 1, gate_set);
  }
  EXPECT_EQ(Text(DocumentDiff::Describe(before, after)),
            "document id 3 \u2192 4\n"
            "current part 0 \u2192 1\n"
            "slot 1 (context 0) removed\n"
            "slot 2 (context 0): staff 2 \u2192 5\n"
            "slot 4 (context 0) added, staff 4\n"
            "record XXXX 1/2 added\n"
            "setting ot25 0x0012/0 added\n"
            "setting ot25 0xFFFE/0: word 4 0 \u2192 1\n"
            "setting ot83 0xFFFE/0: word 2 0 \u2192 5\n"
            "setting ot83 0xFFFE/1: word 4 0 \u2192 1\n"
            "enclosure otDe 2/0 removed\n"
            "enclosure otDe 5/0: bytes 0\u20131, 11 changed\n"
            "part record 0 added\n"
            "part record 1 removed\n"
            "part 0: now has a part record\n"
            "part 1: no longer has a part record\n"
            "part 1: mark zMrk 2/0 added\n");

  HostDocument whole = Score(false);
  ScoreBuilder(&whole).SplitGate(1);
  EXPECT_EQ(Text(DocumentDiff::Describe(whole, Score(false))),
            "setting ot83 0xFFFE/0: word 4 1 \u2192 0 (rests are now split at a new piece)\n");

  HostDocument later = before;
  later.host_version = 0x0F000000;
  EXPECT_EQ(Text(DocumentDiff::Describe(before, later)),
            "host version 0x12000000 \u2192 0x0F000000\n");
}

// Records of a kind whose layout grew a field and changed another's kind,
// some shorter than their layout: a field is compared only where both
// records hold it whole and of one kind, and bytes no field covers only in
// records of the layout's full size.
TEST(DocumentDiffTest, FieldsAreComparedOnlyWhereBothRecordsHoldThem) {
  using standin::Bytes;
  using standin::FieldKind;
  const uint32_t kLabelTag = standin::MakeTag("zLbl");
  const standin::RecordLayouts::ScopedKind labels({kLabelTag,
                                                   "label",
                                                   standin::Addressing::kByMeasure,
                                                   /*part_scoped=*/false,
                                                   standin::Report::kOneByOne,
                                                   {{0x11000000,
                                                     12,
                                                     {{"title", 0, FieldKind::kText, 4},
                                                      {"code", 4, FieldKind::kBytes, 2},
                                                      {"level", 6, FieldKind::kSigned},
                                                      {"tail", 10, FieldKind::kText, 2}}},
                                                    {0x13000000,
                                                     14,
                                                     {{"title", 0, FieldKind::kText, 4},
                                                      {"code", 4, FieldKind::kText, 2},
                                                      {"level", 6, FieldKind::kSigned},
                                                      {"tail", 10, FieldKind::kText, 2},
                                                      {"extra", 12, FieldKind::kText, 2}}}}});
  auto doc = [&](uint32_t version, std::vector<Bytes> records) {
    HostDocument d;
    d.host_version = version;
    for (size_t i = 0; i < records.size(); ++i) {
      if (!records[i].empty()) d.Put(kLabelTag, static_cast<uint16_t>(i + 1), 0, records[i]);
    }
    return d;
  };
  const Bytes full = {'a', 'b', 0, 0, 0, 0, 1, 0, 0, 0, 'a', 'b'};
  Bytes tail_and_gap = full;
  tail_and_gap[9] = 4;
  tail_and_gap[10] = 'c';
  const Bytes short_record = {'a', 'b', 0, 0, 0, 0, 1, 0, 0};
  Bytes short_gap = short_record, short_level = short_record;
  short_gap[8] = 1;
  short_level[6] = 2;
  const Bytes shorter = {'a', 'b', 0, 0, 0, 0, 3};
  Bytes with_tail = full;
  with_tail[6] = 5;
  with_tail[10] = 'x';
  EXPECT_EQ(Text(DocumentDiff::Describe(
                doc(0x12000000, {full, short_record, short_record, shorter, with_tail}),
                doc(0x12000000, {tail_and_gap, short_gap, short_level, with_tail, shorter}))),
            "label zLbl 1/0: tail \"ab\" \u2192 \"cb\", byte 9 changed\n"
            "label zLbl 2/0: bytes changed\n"
            "label zLbl 3/0: level 1 \u2192 2\n"
            "label zLbl 4/0: length 7 \u2192 12 bytes\n"
            "label zLbl 5/0: length 12 \u2192 7 bytes\n");

  Bytes grown = full;
  grown[0] = 'c';
  grown[4] = 'x';
  grown.insert(grown.end(), {'z', 'z'});
  EXPECT_EQ(Text(DocumentDiff::Describe(doc(0x12000000, {full}), doc(0x13000000, {grown}))),
            "host version 0x12000000 \u2192 0x13000000\n"
            "label zLbl 1/0: title \"ab\" \u2192 \"cb\", length 12 \u2192 14 bytes\n");
  // A host that keeps no such record yet compares its bytes whole.
  EXPECT_EQ(Text(DocumentDiff::Describe(doc(0x0F000000, {Bytes{1}}), doc(0x13000000, {grown}))),
            "host version 0x0F000000 \u2192 0x13000000\n"
            "label zLbl 1/0: bytes changed\n");
}

// `doc`'s record at the key with byte `at` set to `value`.
void SetByte(HostDocument* doc, uint32_t tag, uint16_t cmper, uint16_t inci, int16_t part,
             size_t at, uint8_t value) {
  standin::Bytes bytes = *doc->Find(tag, cmper, inci, part);
  bytes[at] = value;
  doc->Put(tag, cmper, inci, bytes, part);
}

// Changes inside a part's systems, lists and frozen records, parts that
// come and go, and lists filed where no system is.
TEST(DocumentDiffTest, SystemsListsAndFrozenRecordsOfEachPartAreComparedInPlace) {
  HostDocument before = Score(false);
  before.parts = {0, 1, 2, 3};
  ScoreBuilder b(&before);
  b.Staves(0, 9, {1});
  b.Detail(0, 11, 1, 5);
  b.System(2, 1, 1, 5);
  b.System(2, 2, 5, 9);
  b.System(3, 1, 1, 17);
  HostDocument after = before;
  after.parts = {0, 1, 2};
  ScoreBuilder a(&after);
  after.Erase(standin::kStaffSystemTag, 1, 0, 3);
  after.Erase(standin::kMeasureTag, 16, 0);
  a.Region(1, 1, 17, 0);
  SetByte(&after, standin::kSystemStaffTag, 1, 1, 0, 5, 1);
  SetByte(&after, standin::kSystemStaffTag, 2, 0, 0, 5, 1);
  SetByte(&after, standin::kFrozenSystemTag, 13, 0, 0, 4, 1);
  // System 4 cut in three.
  a.System(0, 4, 13, 15);
  a.System(0, 5, 15, 16);
  a.System(0, 6, 16, 17);
  a.Staves(0, 5, {1, 2});
  a.Staves(0, 6, {1, 2});
  a.Staves(0, 9, {1, 2});
  a.Detail(0, 11, 1, 6);
  // System 2 of part 1 goes, its list stays.
  after.Erase(standin::kStaffSystemTag, 2, 0, 1);
  a.Staves(1, 2, {3});
  a.System(1, 3, 17, 18);
  a.Staves(1, 3, {1});
  // Consecutive systems renumbered apart.
  after.Erase(standin::kStaffSystemTag, 1, 0, 2);
  after.Erase(standin::kStaffSystemTag, 2, 0, 2);
  a.System(2, 3, 1, 5);
  a.System(2, 5, 5, 9);
  a.System(2, 4, 9, 10);
  // Two systems that swap numbers.
  b.System(0, 7, 30, 31);
  b.System(0, 8, 31, 32);
  a.System(0, 8, 30, 31);
  a.System(0, 7, 31, 32);
  EXPECT_EQ(Text(DocumentDiff::Describe(before, after)),
            "parts 0, 1, 2, 3 \u2192 0, 1, 2\n"
            "measure 16 removed\n"
            "measure-number region 1: clearedOnSplit 1 \u2192 0\n"
            "part 0: system 4 (13\u201316) split at measures 15 and 16 \u2192 systems 4 "
            "(13\u201314), 5 (15) and 6 (16)\n"
            "part 0: system 7 renumbered 8\n"
            "part 0: system 8 renumbered 7\n"
            "part 0: system 1 (1\u20134): staff 2 entry: byte 5 changed\n"
            "part 0: system 2 (5\u20138): staff 1 entry: byte 5 changed\n"
            "part 0: staff list under number 9, which has no system: staves 1 \u2192 1, 2\n"
            "part 0: staff list under number 11, which has no system: staff 1 detail 5 \u2192 6\n"
            "part 0: frozen-system record at measure 13: byte 4 changed\n"
            "part 1: system 2 (9\u201316) removed\n"
            "part 1: system 3 (17) added, staves 1\n"
            "part 1: staff list under number 2, which has no system: staves none \u2192 3\n"
            "part 2: system 4 (9) added\n"
            "part 2: system 1 renumbered 3\n"
            "part 2: system 2 renumbered 5\n"
            "part 3: gone, with 1 system and 0 rests\n");
}

// Rests are matched by where they begin; a rest splits only where it keeps
// its start and a new rest, which the old document lacked, takes its end.
TEST(DocumentDiffTest, RestsAreMatchedByWhereTheyBegin) {
  HostDocument before;
  before.host_version = 0x12000000;
  before.parts = {0};
  HostDocument after = before;
  ScoreBuilder b(&before), a(&after);
  for (auto [first, end] : {std::pair{1, 9}, {5, 7}, {20, 30}, {40, 50}, {60, 70}, {80, 90}}) {
    b.Rest(0, first, end);
  }
  a.Rest(0, 1, 5);
  a.Rest(0, 5, 9);
  a.Rest(0, 20, 25);
  a.Rest(0, 25, 28);
  a.Rest(0, 40, 45);
  a.Rest(0, 60, 65);
  a.Rest(0, 65, 70);
  SetByte(&after, standin::kRestTag, 65, 0, 0, 10, 1);
  a.Rest(0, 80, 90);
  SetByte(&after, standin::kRestTag, 80, 0, 0, 10, 1);
  a.Rest(0, 90, 90);
  EXPECT_EQ(Text(DocumentDiff::Describe(before, after)),
            "part 0: rest 60\u201369 split at measure 65 \u2192 60\u201364 and 65\u201369\n"
            "part 0: rest 65\u201369, compared with rest 60\u201369: byte 10 changed\n"
            "part 0: rest at measure 1: 1\u20138 \u2192 1\u20134\n"
            "part 0: rest at measure 5: 5\u20136 \u2192 5\u20138\n"
            "part 0: rest at measure 20: 20\u201329 \u2192 20\u201324\n"
            "part 0: rest 25\u201327 added\n"
            "part 0: rest at measure 40: 40\u201349 \u2192 40\u201344\n"
            "part 0: rest at measure 80: byte 10 changed\n"
            "part 0: rest none at 90 added\n");
}

// Found by fuzzing: an empty system beginning where another begins was read
// as a piece of a split, so a document differed from itself.
TEST(DocumentDiffTest, AnEmptySystemIsNoPieceOfASplit) {
  HostDocument doc = Score(false);
  ScoreBuilder b(&doc);
  b.System(0, 0, 5, 5);  // numbered before the system beginning at 5
  EXPECT_TRUE(DocumentDiff::Describe(doc, doc).empty());
}

// Systems that share one measure range pair up in number order, so a
// change to one of them is named on it and an extra one reads as added.
TEST(DocumentDiffTest, SystemsSharingARangePairUpInNumberOrder) {
  HostDocument before = Score(false);
  ScoreBuilder b(&before);
  for (int s = 3; s <= 6; ++s) b.System(1, s, 9, 17);  // four more like system 2
  HostDocument after = before;
  ScoreBuilder a(&after);
  a.System(1, 4, 9, 17, 7);
  a.System(1, 7, 9, 17);
  EXPECT_EQ(Text(DocumentDiff::Describe(before, after)),
            "part 1: system 7 (9\u201316) added\n"
            "part 1: system 4 (9\u201316): indent 0 \u2192 7\n");
}

TEST(DocumentDiffTest, OtherChangesAreNamedFieldByField) {
  HostDocument before = Score(false), after = Score(false);
  ScoreBuilder b(&after);
  // Systems 2 and 3 of part 0 become one; system 1 loses a staff and its detail.
  after.Erase(standin::kStaffSystemTag, 4, 0, 0);
  for (uint16_t inci = 0; inci < 2; ++inci) after.Erase(standin::kSystemStaffTag, 4, inci, 0);
  after.Erase(standin::kStaffSystemTag, 3, 0, 0);
  b.System(0, 2, 5, 13);
  b.System(0, 3, 13, 17);
  after.Erase(standin::kStaffDetailTag, 3, 2, 0);
  after.Erase(standin::kFrozenSystemTag, 9, 0, 0);
  b.Detail(0, 1, 2, 75);
  after.Erase(standin::kSystemStaffTag, 1, 1, 0);
  b.Rest(0, 2, 4);
  b.SplitGate(1);
  b.Measures(17, 17);
  b.Region(1, 1, 11);
  standin::Bytes measure = *after.Find(standin::kMeasureTag, 3, 0);
  measure[0] = 99;
  after.Put(standin::kMeasureTag, 3, 0, measure);
  measure.push_back(0);
  after.Put(standin::kMeasureTag, 4, 0, measure);
  after.parts = {0, 1, 2};
  b.System(2, 1, 1, 17);

  EXPECT_EQ(Text(DocumentDiff::Describe(before, after)),
            "parts 0, 1 \u2192 0, 1, 2\n"
            "setting ot83 0xFFFE/0: word 4 0 \u2192 1 (rests are now left whole at a new piece)\n"
            "measure 3: byte 0 changed\n"
            "measure 4: length 30 \u2192 31 bytes\n"
            "measure 17 added\n"
            "measure-number region 1: measures 1\u201316 \u2192 1\u201310\n"
            "part 0: systems 2 (5\u20138) and 3 (9\u201312) joined \u2192 system 2 (5\u201312)\n"
            "part 0: system 4 renumbered 3\n"
            "part 0: system 1 (1\u20134): staves 1, 2 \u2192 1, staff 2 detail none \u2192 75\n"
            "part 0: frozen-system record at measure 9 removed (9\u201312)\n"
            "part 0: rest 2\u20133 added\n"
            "part 2: new, with 1 system and 0 rests\n");
}

// A flag word's change names only the bits that moved, each way; bytes no
// field covers are named up to the field that follows them, not into it.
TEST(DocumentDiffTest, FlagBitsAndUninterpretedBytesAreNamedExactly) {
  HostDocument before;
  before.host_version = 0x12000000;
  before.parts = {0};
  ScoreBuilder b(&before);
  b.Measures(1, 3);
  b.MeasureFlags(2, 0x0030, 0);
  HostDocument after = before;
  ScoreBuilder a(&after);
  a.MeasureFlags(1, 0x0001, 0);
  a.MeasureFlags(2, 0, 0);
  // The last byte of the gap before measureFlags1, that field's low byte, and two bytes of
  // the gap after it.
  standin::Bytes measure = *after.Find(standin::kMeasureTag, 3, 0);
  measure[11] = 7;
  measure[12] = 4;
  measure[16] = measure[17] = 1;
  after.Put(standin::kMeasureTag, 3, 0, measure);
  EXPECT_EQ(Text(DocumentDiff::Describe(before, after)),
            "measure 1: measureFlags1 +0x0001\n"
            "measure 2: measureFlags1 \u22120x0030\n"
            "measure 3: measureFlags1 +0x0004, bytes 11, 16\u201317 changed\n");
}

}  // namespace

// A split reads through empty systems but not across a gap; of two new
// regions that could be a split's second half, the lower number is.
TEST(DocumentDiffTest, SplitsReadThroughEmptySystemsNotGaps) {
  HostDocument before, after;
  for (HostDocument* doc : {&before, &after}) {
    doc->host_version = 0x12000000;
    doc->parts = {0};
  }
  ScoreBuilder b(&before), a(&after);
  b.System(0, 1, 1, 9);
  b.System(0, 2, 9, 17);
  b.System(0, 3, 17, 21);
  b.Region(1, 1, 17);
  a.System(0, 1, 1, 5);
  a.System(0, 2, 5, 5);
  a.System(0, 3, 5, 9);
  a.System(0, 4, 9, 13);
  a.System(0, 5, 14, 17);
  a.System(0, 6, 17, 21);
  a.Region(1, 1, 7);
  a.Region(5, 7, 17);
  a.Region(3, 7, 17);
  EXPECT_EQ(Text(DocumentDiff::Describe(before, after)),
            "measure-number region 1 (1\u201316) split at measure 7 \u2192 regions 1 (1\u20136) "
            "and 3 (7\u201316)\n"
            "measure-number region 5 (7\u201316) added\n"
            "part 0: system 1 (1\u20138) split at measure 5 \u2192 systems 1 (1\u20134) and 3 "
            "(5\u20138)\n"
            "part 0: system 4 now covers 9\u201312 (was system 2 (9\u201316))\n"
            "part 0: system 2 (none at 5) added\n"
            "part 0: system 5 (14\u201316) added\n"
            "part 0: system 3 renumbered 6\n");
  // Back the other way, the pieces read as joined, past the empty system.
  EXPECT_EQ(Text(DocumentDiff::Describe(after, before)),
            "measure-number region 1: measures 1\u20136 \u2192 1\u201316\n"
            "measure-number region 3 (7\u201316) removed\n"
            "measure-number region 5 (7\u201316) removed\n"
            "part 0: systems 1 (1\u20134) and 3 (5\u20138) joined \u2192 system 1 (1\u20138)\n"
            "part 0: system 2 now covers 9\u201316 (was system 4 (9\u201312))\n"
            "part 0: system 2 (none at 5) removed\n"
            "part 0: system 5 (14\u201316) removed\n"
            "part 0: system 6 renumbered 3\n");
}

// Tilings over all of a part's systems, tilings that systems matched
// earlier no longer complete, and chains that stop short of a system's end.
TEST(DocumentDiffTest, TilingsCountOnlyUnmatchedSystemsThatCoverTheWholeRange) {
  HostDocument before, after;
  for (HostDocument* doc : {&before, &after}) {
    doc->host_version = 0x12000000;
    doc->parts = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  }
  ScoreBuilder b(&before), a(&after);
  b.System(1, 1, 1, 5);
  b.System(1, 2, 5, 9);
  a.System(1, 1, 1, 9);
  for (int s = 1; s <= 8; ++s) b.System(2, s, 2 * s - 1, 2 * s + 1);
  a.System(2, 1, 1, 5);
  a.System(2, 2, 1, 9);
  a.System(2, 3, 9, 17);
  b.System(3, 1, 1, 9);
  a.System(3, 1, 1, 3);
  a.System(3, 2, 3, 5);
  b.System(4, 1, 1, 5);
  b.System(4, 2, 1, 5);
  a.System(4, 1, 1, 3);
  a.System(4, 2, 3, 5);
  b.System(5, 1, 1, 5);
  b.System(5, 2, 1, 9);
  for (int s = 1; s <= 4; ++s) a.System(5, s, 2 * s - 1, 2 * s + 1);
  b.System(6, 1, 1, 9);
  a.System(6, 1, 1, 5);
  a.System(6, 2, 5, 5);
  a.System(6, 3, 5, 5);
  a.System(6, 4, 5, 9);
  for (int s = 1; s <= 2; ++s) b.System(7, s, 4 * s - 3, 4 * s + 1);
  b.System(7, 3, 9, 9);
  a.System(7, 1, 1, 9);
  a.System(7, 3, 9, 9);
  // A gap before two systems that do meet.
  b.System(8, 1, 1, 9);
  a.System(8, 1, 1, 3);
  a.System(8, 2, 4, 5);
  a.System(8, 3, 5, 9);
  // Eight systems, the last six empty, after a tiling's last piece: the
  // walk past that piece ends at the part's end, not at an empty one.
  b.System(9, 1, 1, 9);
  a.System(9, 1, 1, 5);
  a.System(9, 2, 5, 9);
  for (int s = 3; s <= 8; ++s) a.System(9, s, 5, 5);
  EXPECT_EQ(Text(DocumentDiff::Describe(before, after)),
            "part 1: systems 1 (1\u20134) and 2 (5\u20138) joined \u2192 system 1 (1\u20138)\n"
            "part 2: systems 1 (1\u20132) and 2 (3\u20134) joined \u2192 system 1 (1\u20134)\n"
            "part 2: systems 5 (9\u201310), 6 (11\u201312), 7 (13\u201314) and 8 (15\u201316) "
            "joined \u2192 system 3 (9\u201316)\n"
            "part 2: system 3 (5\u20136) removed\n"
            "part 2: system 4 (7\u20138) removed\n"
            "part 2: system 2 (1\u20138) added\n"
            "part 3: system 1 now covers 1\u20132 (was system 1 (1\u20138))\n"
            "part 3: system 2 (3\u20134) added\n"
            "part 4: system 1 (1\u20134) split at measure 3 \u2192 systems 1 (1\u20132) and 2 "
            "(3\u20134)\n"
            "part 4: system 2 (1\u20134) removed\n"
            "part 5: system 1 (1\u20134) split at measure 3 \u2192 systems 1 (1\u20132) and 2 "
            "(3\u20134)\n"
            "part 5: system 2 (1\u20138) removed\n"
            "part 5: system 3 (5\u20136) added\n"
            "part 5: system 4 (7\u20138) added\n"
            "part 6: system 1 (1\u20138) split at measure 5 \u2192 systems 1 (1\u20134) and 4 "
            "(5\u20138)\n"
            "part 6: system 2 (none at 5) added\n"
            "part 6: system 3 (none at 5) added\n"
            "part 7: systems 1 (1\u20134) and 2 (5\u20138) joined \u2192 system 1 (1\u20138)\n"
            "part 8: system 1 now covers 1\u20132 (was system 1 (1\u20138))\n"
            "part 8: system 2 (4) added\n"
            "part 8: system 3 (5\u20138) added\n"
            "part 9: system 1 (1\u20138) split at measure 5 \u2192 systems 1 (1\u20134) and 2 "
            "(5\u20138)\n"
            "part 9: system 3 (none at 5) added\n"
            "part 9: system 4 (none at 5) added\n"
            "part 9: system 5 (none at 5) added\n"
            "part 9: system 6 (none at 5) added\n"
            "part 9: system 7 (none at 5) added\n"
            "part 9: system 8 (none at 5) added\n");
}

// A region splits when it keeps its start and ends earlier, and a new
// region, one per split, covers the rest.
TEST(DocumentDiffTest, ARegionSplitsOnlyWhereItKeepsItsStartAndANewOneTakesItsEnd) {
  HostDocument before, after;
  for (HostDocument* doc : {&before, &after}) {
    doc->host_version = 0x12000000;
    doc->parts = {0};
  }
  ScoreBuilder b(&before), a(&after);
  // Two alike, split alike: each takes a new region of its own.
  b.Region(1, 1, 17);
  b.Region(2, 1, 17);
  a.Region(1, 1, 7);
  a.Region(2, 1, 7);
  a.Region(3, 7, 17);
  a.Region(4, 7, 17);
  // A moved start, an emptied region, an empty region at the end, an end
  // before the start.
  b.Region(5, 20, 30);
  a.Region(5, 22, 25);
  a.Region(7, 25, 30);
  b.Region(6, 40, 50);
  a.Region(6, 40, 40);
  a.Region(10, 40, 50);
  b.Region(8, 60, 70);
  a.Region(8, 60, 70);
  a.Region(11, 70, 70);
  b.Region(9, 80, 90);
  a.Region(9, 80, 75);
  a.Region(12, 75, 90);
  // A split whose first half changes more than its end.
  b.Region(13, 100, 110);
  a.Region(13, 100, 105, 0);
  a.Region(14, 105, 110);
  EXPECT_EQ(
      Text(DocumentDiff::Describe(before, after)),
      "measure-number region 1 (1\u201316) split at measure 7 \u2192 regions 1 (1\u20136) "
      "and 3 (7\u201316)\n"
      "measure-number region 2 (1\u201316) split at measure 7 \u2192 regions 2 (1\u20136) "
      "and 4 (7\u201316)\n"
      "measure-number region 6 (40\u201349) split at measure 40 \u2192 regions 6 (none at 40) "
      "and 10 (40\u201349)\n"
      "measure-number region 13 (100\u2013109) split at measure 105 \u2192 regions 13 "
      "(100\u2013104) and 14 (105\u2013109)\n"
      "measure-number region 13 (100\u2013104): clearedOnSplit 1 \u2192 0\n"
      "measure-number region 5: measures 20\u201329 \u2192 22\u201324\n"
      "measure-number region 9: measures 80\u201389 \u2192 none at 80\n"
      "measure-number region 7 (25\u201329) added\n"
      "measure-number region 11 (none at 70) added\n"
      "measure-number region 12 (75\u201389) added\n");
}

// One system whose list and details name `staves` staves, and the same
// system cut into one-measure systems that each show one of them with its
// detail (the detail of staff 3 changed).
static std::pair<HostDocument, HostDocument> CutLongList(int staves) {
  HostDocument before, after;
  for (HostDocument* doc : {&before, &after}) {
    doc->host_version = 0x12000000;
    doc->parts = {0};
  }
  ScoreBuilder b(&before), a(&after);
  b.System(0, 1, 1, staves + 1);
  for (int staff = 1; staff <= staves; ++staff) {
    before.Put(standin::kSystemStaffTag, 1, static_cast<uint16_t>(staff - 1),
               standin::SystemStaffRecord(before.host_version, staff), 0);
    b.Detail(0, 1, staff, staff);
    a.System(0, staff, staff, staff + 1);
    a.Staves(0, staff, {staff});
    a.Detail(0, staff, staff, staff == 3 ? 99 : staff);
  }
  return {before, after};
}

// The pieces of a system with a long staff list, each showing a little of
// it, are compared with the part of the list each shows: a line per piece
// of a size of its own, not the whole list again and again.
TEST(DocumentDiffTest, PiecesOfALongStaffListAreComparedWithThePartTheyShow) {
  auto [before, after] = CutLongList(20);
  const std::vector<std::string> lines = DocumentDiff::Describe(before, after);
  ASSERT_EQ(lines.size(), 21u);
  EXPECT_EQ(lines[1], "part 0: system 1 (1): shows 1 of the 20 staves of system 1 (1\u201320)");
  EXPECT_EQ(lines[3],
            "part 0: system 3 (3): shows 1 of the 20 staves of system 1 (1\u201320), staff 3 "
            "detail 3 \u2192 99");
  // Twice the staves, twice the text.
  auto text_size = [](int staves) {
    auto [x, y] = CutLongList(staves);
    size_t size = 0;
    for (const std::string& line : DocumentDiff::Describe(x, y)) size += line.size();
    return size;
  };
  EXPECT_LT(text_size(400), 2 * text_size(200) + 4000);
}

// Where a piece of a cut system stops being compared with the old list
// whole: at sixteen entries more than twice its own.
TEST(DocumentDiffTest, APieceIsComparedWithTheWholeOldListUpToSixteenEntriesMore) {
  HostDocument before, after;
  for (HostDocument* doc : {&before, &after}) {
    doc->host_version = 0x12000000;
    doc->parts = {0, 1, 2, 3, 4};
  }
  ScoreBuilder b(&before), a(&after);
  auto put_list = [&](int part, int staves) {
    for (int staff = 1; staff <= staves; ++staff) {
      before.Put(standin::kSystemStaffTag, 1, static_cast<uint16_t>(staff - 1),
                 standin::SystemStaffRecord(before.host_version, staff),
                 static_cast<int16_t>(part));
    }
  };
  auto cut_in_two = [&](int part) {
    b.System(part, 1, 1, 3);
    a.System(part, 1, 1, 2);
    a.System(part, 2, 2, 3);
    a.Staves(part, 1, {1});
    a.Staves(part, 2, {2});
  };
  // Each piece one entry: 18 old entries are compared whole, 19 are not.
  cut_in_two(0);
  put_list(0, 18);
  cut_in_two(1);
  put_list(1, 19);
  // A system that is not cut is compared whole however its list shrinks.
  b.System(2, 1, 1, 2);
  put_list(2, 19);
  a.System(2, 1, 1, 2);
  a.Staves(2, 1, {1});
  // One staff and many details: a piece showing that one staff, and one
  // showing none of it.
  cut_in_two(3);
  b.Staves(3, 1, {1});
  for (int staff = 1; staff <= 20; ++staff) b.Detail(3, 1, staff, staff);
  // A piece that names old staves out of order and twice is compared with
  // them in the old order, once each; its detail of a staff it does not
  // list is compared with the old one.
  cut_in_two(4);
  put_list(4, 30);
  b.Detail(4, 1, 5, 5);
  a.Detail(4, 1, 5, 7);
  a.Staves(4, 2, {3, 2, 2});
  std::string staves_18;
  for (int staff = 1; staff <= 18; ++staff) {
    staves_18 += (staff > 1 ? ", " : "") + std::to_string(staff);
  }
  const std::string staves_19 = staves_18 + ", 19";
  EXPECT_EQ(
      Text(DocumentDiff::Describe(before, after)),
      "part 0: system 1 (1\u20132) split at measure 2 \u2192 systems 1 (1) and 2 (2)\n"
      "part 0: system 1 (1): staves " +
          staves_18 +
          " \u2192 1\n"
          "part 0: system 2 (2): staves " +
          staves_18 +
          " \u2192 2\n"
          "part 1: system 1 (1\u20132) split at measure 2 \u2192 systems 1 (1) and 2 (2)\n"
          "part 1: system 1 (1): shows 1 of the 19 staves of system 1 (1\u20132)\n"
          "part 1: system 2 (2): shows 1 of the 19 staves of system 1 (1\u20132)\n"
          "part 2: system 1 (1): staves " +
          staves_19 +
          " \u2192 1\n"
          "part 3: system 1 (1\u20132) split at measure 2 \u2192 systems 1 (1) and 2 (2)\n"
          "part 3: system 1 (1): staff 1 detail 1 \u2192 none\n"
          "part 3: system 2 (2): shows 0 of the 1 staff of system 1 (1\u20132), staves none "
          "\u2192 2, staff 2 detail 2 \u2192 none\n"
          "part 4: system 1 (1\u20132) split at measure 2 \u2192 systems 1 (1) and 2 (2)\n"
          "part 4: system 1 (1): shows 1 of the 30 staves of system 1 (1\u20132), staff 5 "
          "detail 5 \u2192 7\n"
          "part 4: system 2 (2): shows 2 of the 30 staves of system 1 (1\u20132), staves 2, 3 "
          "\u2192 3, 2, 2\n");
}
