// What a host's refusal or odd answer, or running out of memory, leaves
// behind. For every call that Start New Piece makes on a small score of each
// layout range, the host refuses or answers oddly that one call; for every
// allocation that either command makes, that one allocation fails. The document must still hold
// everything the user had: every system's measures, every staff list, every measure's record, and
// the measures covered by rests and measure-number regions; and after a refused call each staff
// list must still go with the measures of the system it went with.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "plugin/extension_api.h"
#include "standin/documents/score_generator.h"
#include "standin/store/menu_commands.h"
#include "tests/support/allocation_faults.h"
#include "tests/support/host_records.h"
#include "tests/support/host_test.h"
#include "tests/support/staff_systems.h"

namespace {

using standin::Bytes;
using standin::HostDocument;
using standin::RecordKey;
using standin::RecordLayouts;
using testing_support::Covered;
using testing_support::FieldOf;
using testing_support::kMeasureTag;
using testing_support::kRegionTag;
using testing_support::kRestTag;
using testing_support::kStaffDetailTag;
using testing_support::kStaffSystemTag;
using testing_support::kSystemStaffTag;
using testing_support::ShownStaffLists;
using testing_support::StaffListsByNumber;

// A staff list with the value of the detail record beside each entry.
using ListWithDetails = std::vector<testing_support::ShownStaff>;

// Every staff list of the part with its details, or only those some system
// shows.
std::set<std::vector<std::pair<Bytes, int>>> StaffLists(const HostDocument& doc, int16_t part,
                                                        bool shown_only = false) {
  std::set<std::vector<std::pair<Bytes, int>>> lists;
  auto add = [&](const ListWithDetails& staves) {
    std::vector<std::pair<Bytes, int>> list;
    for (const auto& staff : staves) list.emplace_back(staff.entry, staff.detail);
    if (!list.empty()) lists.insert(list);
  };
  if (!shown_only) {
    for (const auto& [number, entries] : StaffListsByNumber(doc, part)) {
      ListWithDetails staves;
      for (const Bytes& entry : entries) {
        const auto staff = static_cast<uint16_t>(FieldOf(doc, entry, kSystemStaffTag, "staff"));
        const Bytes* detail =
            number == 0 ? nullptr
                        : doc.Find(kStaffDetailTag, static_cast<uint16_t>(number), staff, part);
        staves.push_back({entry, detail == nullptr || detail->size() < 2
                                     ? 100
                                     : FieldOf(doc, *detail, kStaffDetailTag, "detailValue")});
      }
      add(staves);
    }
    return lists;
  }
  for (const auto& [number, staves] : ShownStaffLists(doc, part)) add(staves);
  return lists;
}

// The measures from and up to which each system of the part runs, by number.
std::map<int, std::pair<int, int>> SystemSpans(const HostDocument& doc, int16_t part) {
  std::map<int, std::pair<int, int>> spans;
  for (const auto& [key, bytes] : doc.records()) {
    const auto end = RecordLayouts::Read(bytes, kStaffSystemTag, doc.host_version, "endMeasure");
    if (key.tag != kStaffSystemTag || key.part != part || !end.has_value()) continue;
    spans[key.cmper] = {FieldOf(doc, bytes, kStaffSystemTag, "firstMeasure"), *end};
  }
  return spans;
}

// Whether each system in `after` shows the staves (and their details) that
// the system whose measures it begins in showed in `original`. A system may
// show none (a record held twice after a cut stopped short); none may show
// the staves of another.
void ExpectStaffListsWithTheirSystems(const standin::ScoreShape& shape,
                                      const HostDocument& original, const HostDocument& after) {
  for (int16_t part = 0; part < shape.parts; ++part) {
    const auto spans_before = SystemSpans(original, part);
    const auto shown_before = ShownStaffLists(original, part);
    const auto spans_after = SystemSpans(after, part);
    for (const auto& [number, shown] : ShownStaffLists(after, part)) {
      if (shown.empty()) continue;
      const int first = spans_after.at(number).first;
      const auto owner = std::find_if(spans_before.begin(), spans_before.end(), [&](auto& span) {
        return span.second.first <= first && first < span.second.second;
      });
      EXPECT_TRUE(owner != spans_before.end() && shown_before.at(owner->first) == shown)
          << "part " << part << ": system " << number << " (from measure " << first
          << ") shows staves that were not its system's";
    }
  }
}

bool Includes(const std::set<int>& all, const std::set<int>& part) {
  return std::includes(all.begin(), all.end(), part.begin(), part.end());
}

// A small score with two parts, systems, own staff lists, rests and regions.
// Its staff lists differ from system to system, with gaps in their entry
// numbers, so that details leave with their lists.
standin::ScoreShape SmallScore() {
  standin::ScoreShape shape;
  shape.host_version = 0x0A000000;  // regions in their first, 88-byte layout
  shape.parts = 2;
  shape.measures = 16;
  shape.score_staves = 2;
  shape.movement_starts = {1, 9};
  shape.rests_per_part = 2;
  shape.own_staff_lists = standin::ScoreShape::OwnStaffLists::kEvery;
  shape.drawn_staff_lists = true;
  shape.detail_every = 2;
  return shape;
}

// Whether `after` still holds everything `original` had (see the top).
void ExpectNothingLost(const standin::ScoreShape& shape, const HostDocument& original,
                       const HostDocument& after) {
  for (int16_t part = 0; part < shape.parts; ++part) {
    EXPECT_TRUE(
        Includes(Covered(after, kStaffSystemTag, part), Covered(original, kStaffSystemTag, part)));
    EXPECT_TRUE(Includes(Covered(after, kRestTag, part), Covered(original, kRestTag, part)));
    const auto lists = StaffLists(after, part);
    // A list filed under a system that shows list 0 is not what the user
    // sees; on those hosts it gives way to a copy of list 0 when it moves.
    for (const auto& list : StaffLists(original, part, true)) {
      EXPECT_EQ(lists.count(list), 1u)
          << "a staff list of part " << part << " was lost, or a detail beside it";
    }
  }
  EXPECT_TRUE(Includes(Covered(after, kRegionTag, RecordKey::kDocumentWide),
                       Covered(original, kRegionTag, RecordKey::kDocumentWide)));
  for (int m = 1; m <= shape.measures; ++m) {
    EXPECT_NE(after.Find(kMeasureTag, static_cast<uint16_t>(m), 0), nullptr);
  }
}

class FaultSafetyTest : public testing_support::HostTest {
 protected:
  // Start New Piece at `start` on `document`, through the module's entry point.
  int32_t StartNewPiece(HostDocument& document, int start) {
    return InvokeOn(document, 0, start, start);
  }
  // Start New Piece at `start` on a score of `shape`, once for each call that
  // `chosen` picks from a run without faults and each odd answer that call
  // can get (refused; a load finding the record without bytes or reporting
  // more than the room offered; a next-record step standing still), the host
  // answering that one call so. Every run must answer 1 and lose nothing the
  // user had, and each system must show the staves it showed, except after
  // an odd answer to a staff entry or detail call: that stops the moves of
  // the lists half way, and every list is then at its old number or its new
  // one, the one being written or deleted possibly cut short. Returns the number of runs.
  size_t AnswerEachOddly(const standin::ScoreShape& shape, int start,
                         const std::function<bool(const standin::ServiceCall&)>& chosen) {
    using Answer = HostDocument::Answer;
    const HostDocument original = standin::GenerateScore(shape);
    HostDocument clean = original;
    EXPECT_EQ(StartNewPiece(clean, start), 1);
    ExpectStaffListsWithTheirSystems(shape, original, clean);
    ExpectNoStrayDetail(shape, {}, clean);
    size_t runs = 0;
    for (size_t odd = 0; odd < clean.log.size() && !HasFailure(); ++odd) {
      const standin::ServiceCall& call = clean.log[odd];
      if (!chosen(call)) continue;
      // A short delivery is not among them: a record delivered short is saved
      // back with the bytes delivered, which keeps a record the host holds
      // short whole and cannot keep whole one it holds longer.
      std::vector<Answer> answers = {Answer::kRefused};
      if (call.service == "QX_LoadEData" && call.result != 0)
        answers.insert(answers.end(), {Answer::kNoBytes, Answer::kLong});
      if (call.service == "QX_NextEData" && call.result != 0)
        answers.push_back(Answer::kStandsStill);
      for (const Answer answer : answers) {
        ++runs;
        SCOPED_TRACE("call " + std::to_string(odd) + " (" + call.ToString() + "), answer " +
                     std::to_string(static_cast<int>(answer)));
        HostDocument faulty = original;
        faulty.answer = [count = size_t{0}, odd, answer](const standin::ServiceCall&) mutable {
          return count++ == odd ? answer : Answer::kAsIs;
        };
        EXPECT_EQ(StartNewPiece(faulty, start), 1);
        ExpectNothingLost(shape, original, faulty);
        ExpectNoStrayDetail(shape, call, faulty);
        if (call.tag == kSystemStaffTag || call.tag == kStaffDetailTag) {
          ExpectListsHalfMoved(shape, original, clean, faulty);
        } else {
          ExpectStaffListsWithTheirSystems(shape, original, faulty);
        }
      }
    }
    return runs;
  }

  // No detail record is filed under a number whose list lacks its staff;
  // but where `call`, the one answered oddly, was the refused delete of a
  // detail record, that one detail may stay behind.
  static void ExpectNoStrayDetail(const standin::ScoreShape& shape,
                                  const standin::ServiceCall& call, const HostDocument& after) {
    for (int16_t part = 0; part < shape.parts; ++part) {
      std::string accepted;
      if (call.service == "QX_DeleteEData" && call.tag == kStaffDetailTag && call.part == part) {
        const Bytes* left = after.Find(kStaffDetailTag, call.cmper, call.inci, part);
        if (left != nullptr)
          accepted = std::to_string(call.cmper) + "/" + std::to_string(call.inci) + "=" +
                     std::to_string(FieldOf(after, *left, kStaffDetailTag, "detailValue"));
      }
      const std::string stray = testing_support::StrayDetails(after, part);
      EXPECT_TRUE(stray.empty() || stray == accepted)
          << "part " << part << ": a detail under a number whose list lacks its staff: " << stray;
    }
  }

  // Every list under a number in `after` is the list that the number held
  // in `original`, or the one it holds in `moved` (a run without faults), or
  // the first entries of one of them (a list is deleted from its last entry
  // and written from its first): never entries of two lists, nor a list
  // with a hole.
  static void ExpectListsHalfMoved(const standin::ScoreShape& shape, const HostDocument& original,
                                   const HostDocument& moved, const HostDocument& after) {
    auto begins = [](const std::vector<Bytes>& list, const std::map<int, std::vector<Bytes>>& in,
                     int number) {
      const auto whole = in.find(number);
      return list.empty() || (whole != in.end() && whole->second.size() >= list.size() &&
                              std::equal(list.begin(), list.end(), whole->second.begin()));
    };
    for (int16_t part = 0; part < shape.parts; ++part) {
      const auto old_lists = StaffListsByNumber(original, part);
      const auto new_lists = StaffListsByNumber(moved, part);
      for (const auto& [number, list] : StaffListsByNumber(after, part)) {
        EXPECT_TRUE(begins(list, old_lists, number) || begins(list, new_lists, number))
            << "part " << part << ": the staff list under " << number << " mixes two lists";
      }
    }
  }
};

TEST_F(FaultSafetyTest, NoOddAnswerLosesWhatTheUserHad) {
  for (const uint32_t version : standin::RecordLayouts::VersionsToTry()) {
    SCOPED_TRACE("host version " + std::to_string(version));
    standin::ScoreShape shape = SmallScore();
    shape.host_version = version;
    shape.own_staff_lists = standin::ScoreShape::OwnStaffLists::kDrawn;
    // A third part, which on some scores has no part record.
    shape.parts = 3;
    shape.drawn_missing_part_records = true;
    shape.seed = version;
    EXPECT_GT(AnswerEachOddly(shape, 7, [](const standin::ServiceCall&) { return true; }), 100u);
    if (HasFailure()) return;
  }
}

// The host refuses one of the system saves of a cut, with several systems
// after the cut one: the systems above the refusal have moved up, the others
// not, and the staff lists of those that moved go with them.
TEST_F(FaultSafetyTest, ACutStoppedHalfWayKeepsTheStaffListsWithTheirSystems) {
  standin::ScoreShape shape = SmallScore();
  shape.part_system_min = 3;
  shape.part_system_max = 4;
  const size_t system_saves = AnswerEachOddly(shape, 7, [](const standin::ServiceCall& call) {
    return call.service == "QX_SaveEData" && call.tag == kStaffSystemTag;
  });
  // Each part moves at least two systems up and writes the new one.
  EXPECT_GE(system_saves, 6u);
}

// A listing of the systems that the host cuts short moves no system; a
// system it did list that already begins at the start measure still gets the
// indent of system 1, as it would without the fault, and nothing else.
TEST_F(FaultSafetyTest, AListingCutShortStillGivesTheSystemAtTheStartItsIndent) {
  standin::ScoreShape shape = SmallScore();
  shape.measures = 30;
  HostDocument original = standin::GenerateScore(shape);
  const auto spans = SystemSpans(original, 0);
  ASSERT_GE(spans.size(), 4u);
  const auto start = static_cast<int16_t>(spans.at(3).first);
  // System 3 gets an indent of its own, so that the copy shows.
  const int first_indent =
      FieldOf(original, *original.Find(kStaffSystemTag, 1, 0, 0), kStaffSystemTag, "indent");
  Bytes third = *original.Find(kStaffSystemTag, 3, 0, 0);
  RecordLayouts::Write(third, kStaffSystemTag, original.host_version, "indent", first_indent + 7);
  original.Put(kStaffSystemTag, 3, 0, third, 0);
  HostDocument faulty = original;
  // The host's next-record step ends part 0's listing at system 3.
  faulty.refuse = [](const standin::ServiceCall& call) {
    return call.service == "QX_NextEData" && call.tag == kStaffSystemTag && call.cmper == 3 &&
           call.part == 0;
  };
  EXPECT_EQ(StartNewPiece(faulty, start), 1);
  for (const auto& [number, span] : spans) {
    const Bytes* now = faulty.Find(kStaffSystemTag, static_cast<uint16_t>(number), 0, 0);
    ASSERT_NE(now, nullptr) << "system " << number;
    Bytes expected = *original.Find(kStaffSystemTag, static_cast<uint16_t>(number), 0, 0);
    if (number == 3) expected[2] = (*now)[2], expected[3] = (*now)[3];
    EXPECT_EQ(*now, expected) << "system " << number;
  }
  EXPECT_EQ(FieldOf(faulty, *faulty.Find(kStaffSystemTag, 3, 0, 0), kStaffSystemTag, "indent"),
            first_indent);
  EXPECT_EQ(faulty.Find(kStaffSystemTag, static_cast<uint16_t>(spans.size() + 1), 0, 0), nullptr);
}

// Each command in turn runs with its k-th allocation failing, for k = 1, 2,
// ... until a run makes no k-th allocation. Every cut-short run answers 0,
// gives back every block it took, leaves the host's current part as it was
// and loses nothing the user had.
TEST_F(FaultSafetyTest, NoFailedAllocationLosesWhatTheUserHad) {
  using testing_support::AllocationFaults;
  const standin::ScoreShape shape = SmallScore();
  const HostDocument original = standin::GenerateScore(shape);
  const testing_support::SelectionRecord selection = testing_support::SelectMeasures(7, 12);

  uint64_t most = 0;  // allocations of the command that makes the most
  for (int16_t command = 0; command < standin::kMenuCommandCount; ++command) {
    SCOPED_TRACE("command " + std::to_string(command));
    uint64_t fail_at = 1;
    for (;; ++fail_at) {
      HostDocument faulty = original;
      faulty.logging = false;
      faulty.current_part = 1;
      standin::SetActiveDocument(&faulty);
      testing_support::ConnectModuleToStandInOutsideFaults();
      QuilloExtensionVersion(faulty.host_version);
      AllocationFaults::Arm(fail_at);
      const int32_t answer = QuilloExtensionInvoke(nullptr, command, selection.data());
      AllocationFaults::Disarm();
      standin::SetActiveDocument(&doc);
      SCOPED_TRACE("allocation " + std::to_string(fail_at) + " failed");
      EXPECT_EQ(AllocationFaults::Outstanding(), 0) << "blocks the command did not give back";
      if (!AllocationFaults::Failed()) {
        EXPECT_EQ(answer, 1) << "a run that had all the memory it asked for";
        break;
      }
      EXPECT_EQ(answer, 0);
      EXPECT_EQ(faulty.current_part, 1) << "the host's current part was left switched";
      ExpectNothingLost(shape, original, faulty);
      if (HasFailure()) return;
    }
    most = std::max(most, fail_at - 1);
    std::printf("command %d: %llu allocations\n", command,
                static_cast<unsigned long long>(fail_at - 1));
  }
  // A command that walks the parts allocates for every part and record kind
  // it touches (the record pool serves most requests again from blocks
  // already taken); a command that edits only measures may allocate nothing.
  EXPECT_GT(most, 10u) << "no command made the allocations of a walk over the parts";
}

TEST_F(FaultSafetyTest, AHostWhoseWalkComesRoundLeavesSystemsAlone) {
  standin::ScoreShape shape;
  shape.parts = 2;
  shape.measures = 20;
  HostDocument document = standin::GenerateScore(shape);
  document.next_wraps_around = true;
  const HostDocument original = document;
  // The start measure lies inside a system in every part (no system begins
  // there), so that a walk that went on would change the systems; which
  // measures those are depends on the generated score.
  std::set<int> firsts;
  for (const auto& [key, bytes] : original.records()) {
    if (key.tag == kStaffSystemTag)
      firsts.insert(
          standin::RecordLayouts::Read(bytes, key.tag, original.host_version, "firstMeasure")
              .value_or(0));
  }
  int start = 2;
  while (start <= shape.measures && firsts.count(start) != 0) ++start;
  ASSERT_LE(start, shape.measures) << "every measure of the generated score begins a system";
  EXPECT_EQ(StartNewPiece(document, start), 1);
  for (const auto& [key, bytes] : original.records()) {
    if (key.tag != kStaffSystemTag && key.tag != kSystemStaffTag) continue;
    const Bytes* now = document.Find(key.tag, key.cmper, key.inci, static_cast<int16_t>(key.part));
    ASSERT_NE(now, nullptr);
    EXPECT_EQ(testing_support::RecordChange(key.tag, original.host_version, bytes, *now), "")
        << standin::TagName(key.tag) << " " << key.cmper << "/" << key.inci << ", start measure "
        << start;
  }
}

}  // namespace
