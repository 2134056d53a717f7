// What a host's refusal, or running out of memory, leaves behind. For every
// call that Start New Piece makes on a small score, the host refuses that one
// call; for every allocation that either command makes, that one allocation
// fails. The document must still hold everything the user had: every system's
// measures, every staff list, every measure's record, and the measures
// covered by rests and measure-number regions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <vector>

#include "plugin/extension_api.h"
#include "standin/documents/score_generator.h"
#include "standin/store/menu_commands.h"
#include "tests/support/allocation_faults.h"
#include "tests/support/host_records.h"
#include "tests/support/host_test.h"

namespace {

using standin::Bytes;
using standin::HostDocument;
using standin::MakeTag;
using standin::RecordKey;
using testing_support::kMeasureTag;
using testing_support::kRegionTag;
using testing_support::kRestTag;
using testing_support::kStaffSystemTag;
using testing_support::kSystemStaffTag;

int Word(const Bytes& bytes, size_t offset) {
  return static_cast<int16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

// The measures that records of `tag` in `part` cover.
std::set<int> Covered(const HostDocument& doc, uint32_t tag, int32_t part) {
  std::set<int> measures;
  for (const auto& [key, bytes] : doc.records()) {
    if (key.tag != tag || key.part != part) continue;
    int first = 0, end = 0;
    if (tag == kStaffSystemTag && bytes.size() >= 14) first = Word(bytes, 8), end = Word(bytes, 12);
    if (tag == kRestTag && bytes.size() >= 4)
      first = static_cast<int16_t>(key.cmper), end = Word(bytes, 2);
    if (tag == kRegionTag && bytes.size() >= 88) first = Word(bytes, 6), end = Word(bytes, 8);
    for (int m = first; m < end; ++m) measures.insert(m);
  }
  return measures;
}

// Every staff list of the part, as the sequence of its entries' bytes.
std::set<std::vector<Bytes>> StaffLists(const HostDocument& doc, int16_t part) {
  std::set<std::vector<Bytes>> lists;
  std::vector<Bytes> list;
  int cmper = -1;
  for (const auto& [key, bytes] : doc.records()) {
    if (key.tag != kSystemStaffTag || key.part != part) continue;
    if (key.cmper != cmper && !list.empty()) lists.insert(list), list.clear();
    cmper = key.cmper;
    list.push_back(bytes);
  }
  if (!list.empty()) lists.insert(list);
  return lists;
}

bool Includes(const std::set<int>& all, const std::set<int>& part) {
  return std::includes(all.begin(), all.end(), part.begin(), part.end());
}

// A small score with two parts, systems, own staff lists, rests and regions.
standin::ScoreShape SmallScore() {
  standin::ScoreShape shape;
  shape.host_version = 0x0A000000;  // 88-byte regions, read by the checks above
  shape.parts = 2;
  shape.measures = 16;
  shape.score_staves = 2;
  shape.movement_starts = {1, 9};
  shape.rests_per_part = 2;
  shape.own_staff_lists = true;
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
    for (const auto& list : StaffLists(original, part)) {
      EXPECT_EQ(lists.count(list), 1u) << "a staff list of part " << part << " was lost";
    }
  }
  EXPECT_TRUE(Includes(Covered(after, kRegionTag, RecordKey::kDocumentWide),
                       Covered(original, kRegionTag, RecordKey::kDocumentWide)));
  for (int m = 1; m <= shape.measures; ++m) {
    EXPECT_NE(after.Find(kMeasureTag, static_cast<uint16_t>(m), 0), nullptr);
  }
}

class FaultSafetyTest : public testing_support::HostTest {};

TEST_F(FaultSafetyTest, NoRefusedCallLosesWhatTheUserHad) {
  const standin::ScoreShape shape = SmallScore();
  const HostDocument original = standin::GenerateScore(shape);
  const int start = 7;
  const testing_support::SelectionRecord selection = testing_support::SelectMeasures(start, start);

  auto run = [&](HostDocument& document) {
    standin::SetActiveDocument(&document);
    testing_support::ConnectModuleToStandIn();
    QuilloExtensionVersion(document.host_version);
    const int32_t answer = QuilloExtensionInvoke(nullptr, 0, selection.data());
    standin::SetActiveDocument(&doc);
    return answer;
  };
  HostDocument clean = original;
  ASSERT_EQ(run(clean), 1);
  const size_t calls = clean.log.size();
  ASSERT_GT(calls, 100u);

  for (size_t refused = 0; refused < calls; ++refused) {
    HostDocument faulty = original;
    size_t count = 0;
    faulty.refuse = [&count, refused](const standin::ServiceCall&) { return count++ == refused; };
    EXPECT_EQ(run(faulty), 1);
    const standin::ServiceCall& call = clean.log[refused];
    SCOPED_TRACE("refused call " + std::to_string(refused) + ": " + call.ToString());
    ExpectNothingLost(shape, original, faulty);
    if (HasFailure()) return;
  }
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

}  // namespace

namespace {

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
  const testing_support::SelectionRecord selection =
      testing_support::SelectMeasures(static_cast<int16_t>(start), static_cast<int16_t>(start));
  standin::SetActiveDocument(&document);
  testing_support::ConnectModuleToStandIn();
  EXPECT_EQ(QuilloExtensionInvoke(nullptr, 0, selection.data()), 1);
  standin::SetActiveDocument(&doc);
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
