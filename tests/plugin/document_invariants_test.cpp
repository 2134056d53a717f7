// Document invariants, checked on thousands of generated documents without
// faults: whatever the document, Start New Piece and Fix Indent change
// exactly what they are meant to and leave everything else as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <map>
#include <random>
#include <set>
#include <string_view>
#include <vector>

#include "plugin/extension_api.h"
#include "standin/documents/score_generator.h"
#include "standin/reports/document_diff.h"
#include "standin/store/menu_commands.h"
#include "tests/support/host_records.h"
#include "tests/support/host_test.h"
#include "tests/support/staff_systems.h"

namespace {

using standin::Bytes;
using standin::HostDocument;
using standin::RecordKey;
using standin::RecordLayouts;
using testing_support::Covered;
using testing_support::kFrozenSystemTag;
using testing_support::kMeasureTag;
using testing_support::kRegionTag;
using testing_support::kRestTag;
using testing_support::kStaffDetailTag;
using testing_support::kStaffSystemTag;
using testing_support::kSystemStaffTag;
using testing_support::MeasureFlags;
using testing_support::ShownStaffLists;
using testing_support::StaffListsByNumber;

constexpr int kDocuments = 1500;

// Field `name` of a `tag` record at `version`; 0 when the record is too short.
int Field(const Bytes& bytes, uint32_t tag, uint32_t version, const char* name) {
  return RecordLayouts::Read(bytes, tag, version, name).value_or(0);
}

// The record with fields `names` set to 0.
Bytes Without(Bytes bytes, uint32_t tag, uint32_t version,
              std::initializer_list<const char*> names) {
  for (const char* name : names) RecordLayouts::Write(bytes, tag, version, name, 0);
  return bytes;
}

uint16_t MeasureMask(const char* field, std::initializer_list<std::string_view> names) {
  return RecordLayouts::Mask(kMeasureTag, field, names);
}

// True when measure flags `flags1`, `flags2` start a piece, as Fix Indent
// reads them at `version`.
bool StartsPiece(int flags1, int flags2, uint32_t version) {
  const standin::FlagLayout& mark =
      RecordLayouts::Flag(kMeasureTag, "measureFlags1", "pieceStartMark");
  return (flags2 & MeasureMask("measureFlags2", {"pieceStart"})) != 0 &&
         mark.MeansSomethingAt(version) && (flags1 & mark.mask) != 0;
}

struct System {
  int first, end;
  Bytes bytes;
};

std::vector<System> Systems(const HostDocument& doc, int16_t part) {
  std::vector<System> systems;
  for (uint16_t n = 1;; ++n) {
    const Bytes* bytes = doc.Find(kStaffSystemTag, n, 0, part);
    if (bytes == nullptr) break;
    systems.push_back({Field(*bytes, kStaffSystemTag, doc.host_version, "firstMeasure"),
                       Field(*bytes, kStaffSystemTag, doc.host_version, "endMeasure"), *bytes});
  }
  return systems;
}

class DocumentInvariantsTest : public testing_support::HostTest {
 protected:
  standin::ScoreShape RandomShape(std::mt19937& random) {
    const std::vector<uint32_t> versions = standin::RecordLayouts::VersionsToTry();
    standin::ScoreShape shape;
    shape.host_version = versions[random() % versions.size()];
    shape.parts = 1 + static_cast<int>(random() % 4);
    shape.measures = 2 + static_cast<int>(random() % 60);
    shape.score_staves = static_cast<int>(random() % 4);
    shape.score_system_min = 1 + static_cast<int>(random() % 5);
    shape.score_system_max = shape.score_system_min + static_cast<int>(random() % 4);
    shape.part_system_min = 1 + static_cast<int>(random() % 8);
    shape.part_system_max = shape.part_system_min + static_cast<int>(random() % 5);
    shape.movement_starts = {1};
    for (int m = static_cast<int>(random() % 4); m > 0; --m)
      shape.movement_starts.push_back(
          1 + static_cast<int>(random() % static_cast<uint32_t>(shape.measures)));
    std::sort(shape.movement_starts.begin(), shape.movement_starts.end());
    shape.movement_starts.erase(
        std::unique(shape.movement_starts.begin(), shape.movement_starts.end()),
        shape.movement_starts.end());
    shape.rests_per_part = static_cast<int>(random() % 4);
    shape.split_gate = random() % 4 == 0 ? static_cast<uint16_t>(1 + random() % 0xFFFE) : 0;
    shape.own_staff_lists = standin::ScoreShape::OwnStaffLists::kDrawn;
    shape.first_region_number = static_cast<uint16_t>(1 + random() % 3);  // 2, 3: region 1 deleted
    shape.seed = static_cast<uint32_t>(random());
    // Lists that differ from system to system, with gaps in their entry
    // numbers, and details beside staves that the list moving in lacks.
    shape.drawn_staff_lists = random() % 3 != 0;
    shape.drawn_missing_part_records = random() % 4 == 0;
    return shape;
  }
};

void CheckSystemsAfterSplit(const HostDocument& before, const HostDocument& after, int16_t part,
                            int s) {
  SCOPED_TRACE("part " + std::to_string(part));
  const std::vector<System> old_systems = Systems(before, part);
  const std::vector<System> systems = Systems(after, part);
  auto shown = ShownStaffLists(after, part), old_shown = ShownStaffLists(before, part);
  // A number that holds no system afterwards holds no list it did not hold.
  const auto lists = StaffListsByNumber(after, part), old_lists = StaffListsByNumber(before, part);
  for (const auto& [number, list] : lists) {
    if (number == 0 || static_cast<size_t>(number) > systems.size()) {
      const auto old = old_lists.find(number);
      EXPECT_TRUE(old != old_lists.end() && old->second == list)
          << "a staff list under " << number << ", where no system is";
    }
  }
  // Which old system each new one stands for, and whether a cut was made.
  size_t cut = old_systems.size();
  for (size_t i = 0; i < old_systems.size(); ++i)
    if (old_systems[i].first < s && s < old_systems[i].end) cut = i;
  const bool was_cut = cut < old_systems.size();
  ASSERT_EQ(systems.size(), old_systems.size() + (was_cut ? 1 : 0));
  for (size_t k = 0; k < systems.size(); ++k) {
    const size_t source = was_cut && k > cut ? k - 1 : k;
    const System& old = old_systems[source];
    const int expected_first = was_cut && k == cut + 1 ? s : old.first;
    const int expected_end = was_cut && k == cut ? s : old.end;
    EXPECT_EQ(systems[k].first, expected_first) << "system " << k + 1;
    EXPECT_EQ(systems[k].end, expected_end) << "system " << k + 1;
    // Everything but the indent and the measure range travels with the system.
    const uint32_t v = before.host_version;
    const auto moved = [&](const Bytes& bytes) {
      return Without(bytes, kStaffSystemTag, v, {"indent", "firstMeasure", "endMeasure"});
    };
    EXPECT_EQ(testing_support::RecordChange(kStaffSystemTag, v, moved(old.bytes),
                                            moved(systems[k].bytes)),
              "")
        << "system " << k + 1;
    const bool begins_piece = systems[k].first == s;
    const Bytes& indent_from = begins_piece ? old_systems[0].bytes : old.bytes;
    EXPECT_EQ(Field(systems[k].bytes, kStaffSystemTag, v, "indent"),
              Field(indent_from, kStaffSystemTag, v, "indent"))
        << "system " << k + 1;

    // The system shows the staves, with their details, that it showed.
    EXPECT_TRUE(shown[static_cast<int>(k + 1)] == old_shown[static_cast<int>(source + 1)])
        << "staves shown by system " << k + 1;
    // The frozen-system record under the first measure agrees.
    const Bytes* freeze =
        after.Find(kFrozenSystemTag, static_cast<uint16_t>(systems[k].first), 0, part);
    ASSERT_NE(freeze, nullptr) << "frozen system at " << systems[k].first;
    EXPECT_EQ(Field(*freeze, kFrozenSystemTag, before.host_version, "endMeasure"), systems[k].end);
  }
}

// What the stand-in's own reading of the two documents (the `quillo diff`
// of them) says changed in what the part's systems show: nothing, on hosts
// where each system shows its own list. (Before kOwnStaffListsFrom a system
// without the own-list flag shows list 0, and the list under its number,
// which the reading compares, is not what the user sees.)
void CheckNothingShownChanged(const HostDocument& before, const HostDocument& after) {
  if (before.host_version < standin::kOwnStaffListsFrom) return;
  for (const std::string& line : standin::DocumentDiff::Describe(before, after)) {
    EXPECT_TRUE(line.find("staff") == std::string::npos &&
                line.find("staves") == std::string::npos &&
                line.find("detail") == std::string::npos)
        << "a change the command does not mean: " << line;
  }
}

// Every region that ran across s now ends there, and one that begins at s
// carries on from there with its bytes; a region that began at s or did not
// reach it is as it was.
void CheckRegionsAfterSplit(const HostDocument& before, const HostDocument& after, int s) {
  const uint32_t v = before.host_version;
  auto field = [&](const Bytes& bytes, const char* name) {
    return standin::RecordLayouts::Read(bytes, kRegionTag, v, name).value_or(0);
  };
  std::multiset<std::pair<int, int>> expected, got;
  for (const auto& [key, bytes] : before.records()) {
    if (key.tag != kRegionTag) continue;
    const int first = field(bytes, "firstMeasure"), end = field(bytes, "endMeasure");
    if (first < s && s < end) {
      expected.insert({first, s});
      expected.insert({s, end});
    } else {
      expected.insert({first, end});
      const Bytes* now = after.Find(kRegionTag, key.cmper, 0);
      ASSERT_NE(now, nullptr) << "region " << key.cmper;
      EXPECT_EQ(*now, bytes) << "region " << key.cmper << " changed";
    }
  }
  for (const auto& [key, bytes] : after.records()) {
    if (key.tag == kRegionTag)
      got.insert({field(bytes, "firstMeasure"), field(bytes, "endMeasure")});
  }
  EXPECT_EQ(got, expected);
}

// True when `command` may change records of `tag`.
bool MayChange(const standin::MenuCommandText& command, uint32_t tag) {
  const std::string changes = std::string(" ") + command.changes + " ";
  return changes.find(" " + standin::TagName(tag) + " ") != std::string::npos;
}

// Every record of the part is as it was.
void CheckPartUntouched(const HostDocument& before, const HostDocument& after, int16_t part) {
  auto of_part = [part](const HostDocument& doc) {
    std::vector<std::pair<RecordKey, Bytes>> records;
    for (const auto& record : doc.records())
      if (record.first.part == part) records.push_back(record);
    return records;
  };
  EXPECT_TRUE(of_part(before) == of_part(after)) << "part " << part << " changed";
}

// The document outside what Start New Piece may touch is unchanged, and the
// two measures changed by exactly the command's bits.
void CheckUntouched(const HostDocument& before, const HostDocument& after, int s,
                    bool rests_split) {
  std::set<RecordKey> keys;
  for (const auto& [key, bytes] : before.records()) keys.insert(key);
  for (const auto& [key, bytes] : after.records()) keys.insert(key);
  for (const RecordKey& key : keys) {
    // The measures' marks are checked bit by bit below; rests stay whole
    // when the document says so.
    if (MayChange(standin::kMenuCommands[0], key.tag) && key.tag != kMeasureTag &&
        (key.tag != kRestTag || rests_split))
      continue;
    auto old_it = before.records().find(key);
    auto new_it = after.records().find(key);
    ASSERT_TRUE(old_it != before.records().end() && new_it != after.records().end())
        << standin::TagName(key.tag) << " " << key.cmper << "/" << key.inci << " appeared or went";
    if (key.tag == kMeasureTag && (key.cmper == s || key.cmper == s - 1)) continue;
    EXPECT_EQ(
        testing_support::RecordChange(key.tag, before.host_version, old_it->second, new_it->second),
        "")
        << standin::TagName(key.tag) << " " << key.cmper << "/" << key.inci << " changed";
  }
  const uint32_t version = before.host_version;
  const auto [f1, f2] = MeasureFlags(before, static_cast<uint16_t>(s));
  const standin::FlagLayout& mark =
      RecordLayouts::Flag(kMeasureTag, "measureFlags1", "pieceStartMark");
  const int started1 = MeasureMask("measureFlags1", {"pieceStart"}) |
                       (mark.MeansSomethingAt(version) ? mark.mask : 0);
  EXPECT_EQ(MeasureFlags(after, static_cast<uint16_t>(s)),
            std::make_pair((f1 | started1) & ~MeasureMask("measureFlags1", {"clearedAtPieceStart"}),
                           f2 | MeasureMask("measureFlags2", {"pieceStart", "setAtPieceStart"})));
  const auto [g1, g2] = MeasureFlags(before, static_cast<uint16_t>(s - 1));
  EXPECT_EQ(MeasureFlags(after, static_cast<uint16_t>(s - 1)),
            std::make_pair(g1 | MeasureMask("measureFlags1", {"pieceEnd"}),
                           (g2 & ~MeasureMask("measureFlags2", {"clearedAtPieceEnd"})) |
                               MeasureMask("measureFlags2", {"pieceEnd", "setAtPieceEnd"})));
  // Nothing but the flag words changed.
  for (const int m : {s, s - 1}) {
    auto without_flags = [&](const HostDocument& doc) {
      Bytes bytes = *doc.Find(kMeasureTag, static_cast<uint16_t>(m), 0);
      for (const char* flags : {"measureFlags1", "measureFlags2"})
        standin::RecordLayouts::Write(bytes, kMeasureTag, version, flags, 0);
      return bytes;
    };
    EXPECT_EQ(testing_support::RecordChange(kMeasureTag, version, without_flags(before),
                                            without_flags(after)),
              "")
        << "measure " << m;
  }
}

TEST_F(DocumentInvariantsTest, StartNewPieceKeepsTheDocumentWhole) {
  std::mt19937 random(20261207);
  for (int d = 0; d < kDocuments; ++d) {
    const standin::ScoreShape shape = RandomShape(random);
    const HostDocument before = standin::GenerateScore(shape);
    HostDocument after = before;
    after.logging = false;
    int s = 2 + static_cast<int>(random() % static_cast<uint32_t>(shape.measures - 1));
    // Often where a movement, and its region, already begins.
    if (random() % 3 == 0 && shape.movement_starts.back() >= 2) s = shape.movement_starts.back();
    SCOPED_TRACE("document " + std::to_string(d) + ", start measure " + std::to_string(s));
    ASSERT_EQ(InvokeOn(after, 0, s, s), 1);
    EXPECT_EQ(after.current_part, before.current_part);
    int visited = 0;
    for (int16_t part = 0; part < shape.parts; ++part) {
      EXPECT_EQ(testing_support::StrayDetails(after, part), "") << "part " << part;
      EXPECT_EQ(Covered(after, kRestTag, part), Covered(before, kRestTag, part));
      // A part the host names but whose record is missing is passed over.
      if (before.Find(testing_support::kPartTag, static_cast<uint16_t>(part), 0) == nullptr) {
        CheckPartUntouched(before, after, part);
        continue;
      }
      ++visited;
      CheckSystemsAfterSplit(before, after, part, s);
    }
    EXPECT_EQ(after.layout_updates, 2 * visited + 1);
    CheckNothingShownChanged(before, after);
    EXPECT_EQ(Covered(after, kRegionTag, RecordKey::kDocumentWide),
              Covered(before, kRegionTag, RecordKey::kDocumentWide));
    CheckRegionsAfterSplit(before, after, s);
    CheckUntouched(before, after, s, shape.split_gate == 0);
    // The piece now starts at s: starting it there again changes nothing.
    HostDocument again = after;
    ASSERT_EQ(InvokeOn(again, 0, s, s), 1);
    EXPECT_TRUE(again.records() == after.records()) << "a second start at the same measure";
    if (HasFailure()) return;
  }
}

TEST_F(DocumentInvariantsTest, FixIndentChangesOnlyIndentsAndExactlyWhereItShould) {
  std::mt19937 random(7);
  for (int d = 0; d < kDocuments; ++d) {
    const standin::ScoreShape shape = RandomShape(random);
    HostDocument before = standin::GenerateScore(shape);
    before.logging = false;
    // Some pieces begin first, so that both kinds of system are in the span.
    const int piece = 2 + static_cast<int>(random() % static_cast<uint32_t>(shape.measures - 1));
    if (random() % 2 == 0) {
      ASSERT_EQ(InvokeOn(before, 0, piece, piece), 1);
    }
    HostDocument after = before;
    const int start = 1 + static_cast<int>(random() % static_cast<uint32_t>(shape.measures));
    const int end = start + static_cast<int>(random() % 20);
    SCOPED_TRACE("document " + std::to_string(d) + ", span " + std::to_string(start) + "-" +
                 std::to_string(end));
    ASSERT_EQ(InvokeOn(after, 1, start, end), 1);
    for (const auto& [key, bytes] : before.records()) {
      const Bytes& now = after.records().at(key);
      if (!MayChange(standin::kMenuCommands[1], key.tag)) {
        EXPECT_EQ(testing_support::RecordChange(key.tag, shape.host_version, bytes, now), "")
            << standin::TagName(key.tag) << " " << key.cmper;
        continue;
      }
      const uint32_t v = shape.host_version;
      EXPECT_EQ(testing_support::RecordChange(kStaffSystemTag, v,
                                              Without(bytes, kStaffSystemTag, v, {"indent"}),
                                              Without(now, kStaffSystemTag, v, {"indent"})),
                "")
          << "system " << key.cmper;
      const int first = Field(bytes, kStaffSystemTag, v, "firstMeasure");
      int expected = Field(bytes, kStaffSystemTag, v, "indent");
      // A part without its record is passed over.
      const bool listed =
          before.Find(testing_support::kPartTag, static_cast<uint16_t>(key.part), 0) != nullptr;
      if (listed && key.cmper != 1 && first >= start && first <= end) {
        const auto [flags1, flags2] = MeasureFlags(before, static_cast<uint16_t>(first));
        const Bytes& system1 = *before.Find(kStaffSystemTag, 1, 0, static_cast<int16_t>(key.part));
        expected =
            StartsPiece(flags1, flags2, v) ? Field(system1, kStaffSystemTag, v, "indent") : 0;
      }
      EXPECT_EQ(Field(now, kStaffSystemTag, v, "indent"), expected)
          << "part " << key.part << " system " << key.cmper;
    }
    EXPECT_EQ(after.records().size(), before.records().size());
    if (HasFailure()) return;
  }
}

}  // namespace
