#include "standin/documents/example_documents.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <set>

#include "standin/documents/record_builder.h"
#include "standin/store/record_layouts.h"

namespace standin {
namespace {

constexpr const char* kFlags1 = "measureFlags1";
constexpr const char* kFlags2 = "measureFlags2";

// Flag bits that the examples carry on every measure and that nothing here
// interprets; they show that edits keep the bits they do not concern.
constexpr uint16_t kOtherFlags1 = 0x0002;
constexpr uint16_t kOtherFlags2 = 0x0001;

// The bits of the flag words of a measure that starts a piece, ends one, or
// is about to do either.
struct MeasureMarks {
  uint16_t flags1;
  uint16_t flags2;
};
MeasureMarks Started() {
  return {RecordLayouts::Mask(kMeasureTag, kFlags1, {"pieceStart", "pieceStartMark"}),
          RecordLayouts::Mask(kMeasureTag, kFlags2, {"pieceStart", "setAtPieceStart"})};
}
MeasureMarks Ended() {
  return {RecordLayouts::Mask(kMeasureTag, kFlags1, {"pieceEnd"}),
          RecordLayouts::Mask(kMeasureTag, kFlags2, {"pieceEnd", "setAtPieceEnd"})};
}
MeasureMarks BeforeStart() {
  return {RecordLayouts::Mask(kMeasureTag, kFlags1, {"clearedAtPieceStart"}), 0};
}
MeasureMarks BeforeEnd() {
  return {0, RecordLayouts::Mask(kMeasureTag, kFlags2, {"clearedAtPieceEnd"})};
}

// One system of a part: where it begins and its indent.
struct SystemPlan {
  int first;
  int indent = 0;
};

// The examples' records carry a few uninterpreted words in their gaps (the
// layout's gaps in offset order, counted in words), so that a module that
// loses or moves them is seen.
class Builder {
 public:
  Builder(HostDocument* document, uint32_t host_version) : doc_(document), version_(host_version) {
    doc_->host_version = host_version;
    doc_->document_id = 1;
    doc_->parts.clear();
    doc_->current_part = 0;
    doc_->slot_to_staff.clear();
    doc_->mutable_records().clear();
  }

  void Part(int id) {
    doc_->parts.push_back(static_cast<int16_t>(id));
    doc_->Put(kPartTag, static_cast<uint16_t>(id), 0,
              RecordBuilder(kPartTag, version_)
                  .GapWord(0, 0, static_cast<uint16_t>(id + 1))
                  .GapWord(0, 1, 0x0100));
  }

  void Slot(int slot, int staff) {
    doc_->slot_to_staff[{static_cast<uint16_t>(slot), 0}] = static_cast<int16_t>(staff);
  }

  // Measures 1..count; `marks` adds bits to chosen measures. Besides the
  // flag words each measure carries a few uninterpreted words: two before
  // the flag words (the second counts the four-byte blocks that the layout
  // has more than the oldest one) and three after them.
  void Measures(int count, const std::map<int, MeasureMarks>& marks) {
    const size_t grown =
        RecordLayouts::Find(kMeasureTag, version_).size - RecordLayouts::Find(kMeasureTag, 0).size;
    for (int n = 1; n <= count; ++n) {
      MeasureMarks flags = {kOtherFlags1, kOtherFlags2};
      if (auto extra = marks.find(n); extra != marks.end()) {
        flags.flags1 |= extra->second.flags1;
        flags.flags2 |= extra->second.flags2;
      }
      Bytes gaps = RecordBuilder(kMeasureTag, version_)
                       .GapWord(0, 0, static_cast<uint16_t>(160 + 8 * (n % 4)))
                       .GapWord(0, 2, static_cast<uint16_t>(grown / 4))
                       .GapWord(1, 0, 4)
                       .GapWord(1, 1, 1024)
                       .GapWord(1, 4, static_cast<uint16_t>(n));
      doc_->Put(kMeasureTag, static_cast<uint16_t>(n), 0,
                MeasureRecord(version_, flags.flags1, flags.flags2, gaps));
    }
  }

  // Systems 1, 2, ... of `part` with their frozen-system records and staff
  // lists; the last system ends before `end`. Every system keeps a staff
  // list of its own.
  void Systems(int part, const std::vector<SystemPlan>& plan, int end,
               const std::vector<int>& staves) {
    auto p = static_cast<int16_t>(part);
    const Bytes system_gaps = RecordBuilder(kStaffSystemTag, version_)
                                  .GapWord(0, 0, 48)
                                  .GapWord(1, 0, 12)
                                  .GapWord(2, 0, 96)
                                  .GapWord(2, 2, 0xFFF4);
    for (size_t i = 0; i < plan.size(); ++i) {
      auto number = static_cast<uint16_t>(i + 1);
      int system_end = i + 1 < plan.size() ? plan[i + 1].first : end;
      doc_->Put(kStaffSystemTag, number, 0,
                StaffSystemRecord(version_, {plan[i].first, system_end, plan[i].indent, true},
                                  system_gaps),
                p);
      doc_->Put(kFrozenSystemTag, static_cast<uint16_t>(plan[i].first), 0,
                FrozenSystemRecord(version_, system_end), p);
      for (size_t s = 0; s < staves.size(); ++s) {
        Bytes gaps = RecordBuilder(kSystemStaffTag, version_)
                         .GapWord(0, 0, static_cast<uint16_t>(-288 * static_cast<int>(s)))
                         .GapWord(0, 2, 0x0100);
        doc_->Put(kSystemStaffTag, number, static_cast<uint16_t>(s),
                  SystemStaffRecord(version_, staves[s], gaps), p);
      }
    }
  }

  void Detail(int part, int system, int staff, int value) {
    doc_->Put(kStaffDetailTag, static_cast<uint16_t>(system), static_cast<uint16_t>(staff),
              StaffDetailRecord(version_, value), static_cast<int16_t>(part));
  }

  void Rest(int part, int first, int end) {
    Bytes gaps = RecordBuilder(kRestTag, version_).GapWord(1, 0, 7).GapWord(1, 2, 1);
    doc_->Put(kRestTag, static_cast<uint16_t>(first), 0, RestRecord(version_, end, gaps),
              static_cast<int16_t>(part));
  }

  void Region(int cmper, int first, int end, int cleared) {
    Bytes enclosure = RecordBuilder(kEnclosureTag, version_).GapWord(0, 0, 0x0101);
    Bytes gaps = RecordBuilder(kRegionTag, version_)
                     .GapWord(0, 0, 1)
                     .GapWord(0, 1, 1)
                     .Inner("enclosure1", enclosure);
    doc_->Put(kRegionTag, static_cast<uint16_t>(cmper), 0,
              RegionRecord(version_, {first, end, cleared}, gaps));
  }

  // The rest settings and the split gate (0: rests are split).
  void Settings(int split_gate) {
    doc_->Put(kRestSettingsTag, kSettingCmper, 0,
              SettingRecord(kRestSettingsTag, version_, {1, 2, 24, 3, 0, 1}));
    doc_->Put(kRestSettingsTag, kSettingCmper, 1,
              SettingRecord(kRestSettingsTag, version_, {0, 1, 0, 0, 2, 0}));
    std::array<uint16_t, 6> gate = {0, 0, 0, 1, 0, 0};
    gate[kSplitGateWord] = static_cast<uint16_t>(split_gate);
    doc_->Put(kSplitGateSettingTag, kSettingCmper, 0,
              SettingRecord(kSplitGateSettingTag, version_, gate));
  }

 private:
  HostDocument* doc_;
  uint32_t version_;
};

// Three movements: I 1–12, II 13–28, III 29–40. III already starts a piece
// (its marks, own system in every part, own measure-number region, indents);
// II runs on from I: systems and a rest run across measure 13 and one region
// covers 1–28.
void Suite(HostDocument* doc) {
  Builder b(doc, kCurrentHostVersion);
  for (int part = 0; part <= 3; ++part) b.Part(part);
  for (int slot = 1; slot <= 3; ++slot) b.Slot(slot, slot);
  b.Measures(40, {{12, BeforeEnd()}, {13, BeforeStart()}, {28, Ended()}, {29, Started()}});
  b.Systems(0, {{1, 30}, {5}, {9}, {11}, {15}, {19, 8}, {23}, {26}, {29, 30}, {33}, {37}}, 41,
            {1, 2, 3});
  b.Systems(1, {{1, 24}, {7}, {13}, {19}, {24}, {29, 24}, {35}}, 41, {1});
  b.Systems(2, {{1, 24}, {6}, {10}, {16}, {22, 6}, {29, 24}, {34}}, 41, {2});
  b.Systems(3, {{1, 24}, {8}, {15}, {22}, {29, 24}, {35}}, 41, {3});
  b.Detail(0, 4, 2, 80);
  b.Detail(0, 7, 1, 90);
  b.Rest(1, 10, 13);
  b.Rest(1, 30, 34);
  b.Rest(2, 9, 17);
  b.Rest(3, 13, 20);
  b.Region(1, 1, 29, 1);
  b.Region(2, 29, 41, 0);
  b.Settings(0);
}

// Sixteen measures; the second half (measure 9) does not start a piece yet,
// and the document keeps rests whole at a new piece.
void ThreeParts(HostDocument* doc) {
  Builder b(doc, kLongMeasuresFrom);
  for (int part = 0; part <= 3; ++part) b.Part(part);
  for (int slot = 1; slot <= 3; ++slot) b.Slot(slot, slot);
  b.Measures(16, {{8, BeforeEnd()}, {9, BeforeStart()}});
  b.Systems(0, {{1, 20}, {4}, {7}, {11}, {14}}, 17, {1, 2, 3});
  b.Systems(1, {{1, 20}, {6}, {11}}, 17, {1});
  b.Systems(2, {{1, 20}, {9}}, 17, {2});
  b.Systems(3, {{1, 20}, {5}, {10}, {14}}, 17, {3});
  b.Detail(0, 3, 3, 85);
  b.Rest(1, 5, 12);
  b.Rest(3, 2, 5);
  b.Region(1, 1, 17, 1);
  b.Settings(1);
}

// A small score and two parts, the same music at each layout range.
void AtHostVersion(HostDocument* doc, uint32_t host_version) {
  Builder b(doc, host_version);
  for (int part = 0; part <= 2; ++part) b.Part(part);
  b.Slot(1, 1);
  b.Slot(2, 2);
  b.Measures(16, {{8, BeforeEnd()}, {9, BeforeStart()}});
  b.Systems(0, {{1, 18}, {5}, {8}, {12}}, 17, {1, 2});
  b.Systems(1, {{1, 18}, {6}}, 17, {1});
  b.Systems(2, {{1, 18}, {9}, {13}}, 17, {2});
  b.Detail(0, 3, 2, 75);
  b.Rest(1, 7, 12);
  b.Rest(2, 9, 12);
  b.Region(1, 1, 17, 1);
  b.Settings(0);
}

// The host versions of the "host-" examples: one in each range of layouts
// (RecordLayouts::LayoutRangeStarts). These were chosen when their ranges
// began; a range that none of them falls in has its first version.
std::vector<uint32_t> ExampleHostVersions() {
  std::vector<uint32_t> versions = {0x0E000000, 0x10000000, 0x11000000, kLongMeasuresFrom};
  const std::vector<uint32_t> starts = RecordLayouts::LayoutRangeStarts();
  for (size_t i = 0; i < starts.size(); ++i) {
    const uint64_t end = i + 1 < starts.size() ? starts[i + 1] : uint64_t{1} << 32;
    if (std::none_of(versions.begin(), versions.end(),
                     [&](uint32_t v) { return v >= starts[i] && v < end; }))
      versions.push_back(starts[i]);
  }
  return versions;
}

std::string HostExampleName(uint32_t host_version) {
  char name[16];
  std::snprintf(name, sizeof name, "host-%08X", static_cast<unsigned>(host_version));
  return name;
}

}  // namespace

std::vector<std::string> ExampleDocuments::Names() {
  std::vector<std::string> names = {"suite", "three-parts"};
  for (uint32_t version : ExampleHostVersions()) names.push_back(HostExampleName(version));
  return names;
}

bool ExampleDocuments::Build(const std::string& name, HostDocument* document) {
  if (name == "suite") {
    Suite(document);
    return true;
  }
  if (name == "three-parts") {
    ThreeParts(document);
    return true;
  }
  for (uint32_t version : ExampleHostVersions()) {
    if (name == HostExampleName(version)) {
      AtHostVersion(document, version);
      return true;
    }
  }
  return false;
}

}  // namespace standin
