#include "standin/documents/example_documents.h"

#include <cstdio>
#include <map>
#include <set>

#include "standin/store/record_layouts.h"

namespace standin {
namespace {

// Flag bits that the examples carry on every measure and that nothing here
// interprets; they show that edits keep the bits they do not concern.
constexpr uint16_t kOtherFlags1 = 0x0002;
constexpr uint16_t kOtherFlags2 = 0x0001;
// Bits that a finished piece start and piece end carry.
constexpr uint16_t kStartedFlags1 = 0x8800;
constexpr uint16_t kStartedFlags2 = 0x8C00;
constexpr uint16_t kEndedFlags1 = 0x4000;
constexpr uint16_t kEndedFlags2 = 0x2050;
// Bits that a measure may hold before a piece is started there.
constexpr uint16_t kBeforeStartFlags1 = 0x0030;
constexpr uint16_t kBeforeEndFlags2 = 0x00A0;
constexpr uint16_t kSystemFlags = 0x4000;
constexpr uint16_t kNewRestWord0 = 300;

// One system of a part: where it begins and its indent.
struct SystemPlan {
  int first;
  int indent = 0;
};

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

  void Field(Bytes& bytes, uint32_t tag, const char* name, int value, size_t index = 0) {
    RecordLayouts::Write(bytes, tag, version_, name, value, index);
  }

  void Part(int id) {
    doc_->parts.push_back(static_cast<int16_t>(id));
    Bytes record = RecordLayouts::Blank(kPartTag, version_);
    WriteWord(record, 0, static_cast<uint16_t>(id + 1));
    WriteWord(record, 2, 0x0100);
    doc_->Put(kPartTag, static_cast<uint16_t>(id), 0, record);
  }

  void Slot(int slot, int staff) {
    doc_->slot_to_staff[{static_cast<uint16_t>(slot), 0}] = static_cast<int16_t>(staff);
  }

  // Measures 1..count; `flags` adds bits to chosen measures. Besides the
  // flag words each measure carries a few uninterpreted words, placed from
  // the layout's flag words so that every layout holds them: one at offset
  // 0, the four-byte blocks that the layout has more than the oldest one
  // counted at offset 4, and three after the flag words.
  void Measures(int count, const std::map<int, std::pair<uint16_t, uint16_t>>& flags) {
    const RecordLayout& layout = *RecordLayouts::Find(kMeasureTag, version_);
    const size_t oldest = RecordLayouts::Find(kMeasureTag, 0)->size;
    const size_t after_flags = layout.FindField("measureFlags2")->offset + 2;
    for (int n = 1; n <= count; ++n) {
      Bytes record(layout.size, 0);
      WriteWord(record, 0, static_cast<uint16_t>(160 + 8 * (n % 4)));
      WriteWord(record, 4, static_cast<uint16_t>((layout.size - oldest) / 4));
      WriteWord(record, after_flags, 4);
      WriteWord(record, after_flags + 2, 1024);
      WriteWord(record, after_flags + 8, static_cast<uint16_t>(n));
      uint16_t flags1 = kOtherFlags1, flags2 = kOtherFlags2;
      auto extra = flags.find(n);
      if (extra != flags.end()) {
        flags1 |= extra->second.first;
        flags2 |= extra->second.second;
      }
      Field(record, kMeasureTag, "measureFlags1", flags1);
      Field(record, kMeasureTag, "measureFlags2", flags2);
      doc_->Put(kMeasureTag, static_cast<uint16_t>(n), 0, record);
    }
  }

  // Systems 1, 2, ... of `part` with their frozen-system records and staff
  // lists; the last system ends before `end`.
  void Systems(int part, const std::vector<SystemPlan>& plan, int end,
               const std::vector<int>& staves) {
    auto p = static_cast<int16_t>(part);
    for (size_t i = 0; i < plan.size(); ++i) {
      auto number = static_cast<uint16_t>(i + 1);
      int system_end = i + 1 < plan.size() ? plan[i + 1].first : end;
      Bytes system = RecordLayouts::Blank(kStaffSystemTag, version_);
      WriteWord(system, 0, 48);
      WriteWord(system, 4, 12);
      WriteWord(system, 14, 96);
      WriteWord(system, 18, 0xFFF4);
      Field(system, kStaffSystemTag, "indent", plan[i].indent);
      Field(system, kStaffSystemTag, "firstMeasure", plan[i].first);
      Field(system, kStaffSystemTag, "systemFlags", kSystemFlags);
      Field(system, kStaffSystemTag, "endMeasure", system_end);
      doc_->Put(kStaffSystemTag, number, 0, system, p);

      Bytes frozen = RecordLayouts::Blank(kFrozenSystemTag, version_);
      Field(frozen, kFrozenSystemTag, "endMeasure", system_end);
      WriteWord(frozen, 2, 1);
      doc_->Put(kFrozenSystemTag, static_cast<uint16_t>(plan[i].first), 0, frozen, p);

      for (size_t s = 0; s < staves.size(); ++s) {
        Bytes entry = RecordLayouts::Blank(kSystemStaffTag, version_);
        Field(entry, kSystemStaffTag, "staff", staves[s]);
        WriteWord(entry, 2, static_cast<uint16_t>(-288 * static_cast<int>(s)));
        WriteWord(entry, 6, 0x0100);
        doc_->Put(kSystemStaffTag, number, static_cast<uint16_t>(s), entry, p);
      }
    }
  }

  void Detail(int part, int system, int staff, int value) {
    Bytes detail = RecordLayouts::Blank(kStaffDetailTag, version_);
    Field(detail, kStaffDetailTag, "detailValue", value);
    doc_->Put(kStaffDetailTag, static_cast<uint16_t>(system), static_cast<uint16_t>(staff), detail,
              static_cast<int16_t>(part));
  }

  void Rest(int part, int first, int end) {
    Bytes rest = RecordLayouts::Blank(kRestTag, version_);
    WriteWord(rest, 0, kNewRestWord0);
    Field(rest, kRestTag, "endMeasure", end);
    WriteWord(rest, 4, 7);
    WriteWord(rest, 8, 1);
    doc_->Put(kRestTag, static_cast<uint16_t>(first), 0, rest, static_cast<int16_t>(part));
  }

  void Region(int cmper, int first, int end, int cleared) {
    Bytes region = RecordLayouts::Blank(kRegionTag, version_);
    WriteWord(region, 0, 1);
    WriteWord(region, 2, 1);
    // The first enclosure's first word: after the fields in the oldest
    // layout, which is the one whose fields lie near the start.
    const size_t oldest = RecordLayouts::Find(kRegionTag, 0)->size;
    size_t enclosure = region.size() == oldest ? 70 : 18;
    WriteWord(region, enclosure, 0x0101);
    Field(region, kRegionTag, "firstMeasure", first);
    Field(region, kRegionTag, "endMeasure", end);
    Field(region, kRegionTag, "clearedOnSplit", cleared);
    doc_->Put(kRegionTag, static_cast<uint16_t>(cmper), 0, region);
  }

  // The rest settings and the split gate (0: rests are split).
  void Settings(int split_gate) {
    const uint16_t first[6] = {1, 2, 24, 3, 0, 1}, second[6] = {0, 1, 0, 0, 2, 0};
    const uint16_t gate[6] = {0, 0, 0, 1, static_cast<uint16_t>(split_gate), 0};
    auto put = [&](uint32_t tag, uint16_t inci, const uint16_t* words) {
      Bytes record = RecordLayouts::Blank(tag, version_);
      for (size_t i = 0; i < 6; ++i) Field(record, tag, "words", words[i], i);
      doc_->Put(tag, kSettingCmper, inci, record);
    };
    put(kRestSettingsTag, 0, first);
    put(kRestSettingsTag, 1, second);
    put(kSplitGateSettingTag, 0, gate);
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
  b.Measures(40, {{12, {0, kBeforeEndFlags2}},
                  {13, {kBeforeStartFlags1, 0}},
                  {28, {kEndedFlags1, kEndedFlags2}},
                  {29, {kStartedFlags1, kStartedFlags2}}});
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
  Builder b(doc, 0x12000000);
  for (int part = 0; part <= 3; ++part) b.Part(part);
  for (int slot = 1; slot <= 3; ++slot) b.Slot(slot, slot);
  b.Measures(16, {{8, {0, kBeforeEndFlags2}}, {9, {kBeforeStartFlags1, 0}}});
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
  b.Measures(16, {{8, {0, kBeforeEndFlags2}}, {9, {kBeforeStartFlags1, 0}}});
  b.Systems(0, {{1, 18}, {5}, {8}, {12}}, 17, {1, 2});
  b.Systems(1, {{1, 18}, {6}}, 17, {1});
  b.Systems(2, {{1, 18}, {9}, {13}}, 17, {2});
  b.Detail(0, 3, 2, 75);
  b.Rest(1, 7, 12);
  b.Rest(2, 9, 12);
  b.Region(1, 1, 17, 1);
  b.Settings(0);
}

// The host versions of the "host-" examples, one in each range of layouts
// (RecordLayouts::LayoutRangeStarts); a new layout range needs one more.
constexpr uint32_t kExampleHostVersions[] = {0x0E000000, 0x10000000, 0x11000000, 0x12000000};

std::string HostExampleName(uint32_t host_version) {
  char name[16];
  std::snprintf(name, sizeof name, "host-%08X", static_cast<unsigned>(host_version));
  return name;
}

}  // namespace

std::vector<std::string> ExampleDocuments::Names() {
  std::vector<std::string> names = {"suite", "three-parts"};
  for (uint32_t version : kExampleHostVersions) names.push_back(HostExampleName(version));
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
  for (uint32_t version : kExampleHostVersions) {
    if (name == HostExampleName(version)) {
      AtHostVersion(document, version);
      return true;
    }
  }
  return false;
}

}  // namespace standin
