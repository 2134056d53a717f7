// The system splitter on whole parts of the stand-in document: what the host
// holds afterwards (systems, frozen systems, staff lists with their detail
// records) and which calls it received.
#include "operations/part_system_splitter.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "records/parts.h"
#include "tests/support/staff_systems.h"

namespace {

using namespace testing_support;

class PartSystemSplitterTest : public HostTest {
 protected:
  // Four systems; system 1 indented 20; frozen records under 1 and 13; a
  // staff list for each system, system 2's second staff with a detail record.
  void FourSystems(int16_t part = 0) {
    PutSystems(doc, part, {{1, 5, 20}, {5, 9}, {9, 13}, {13, 17}});
    doc.Put(kFrozenSystemTag, 1, 0, Words({5, 1, 0, 0, 0, 0}), part);
    doc.Put(kFrozenSystemTag, 13, 0, Words({17, 1, 0, 0, 0, 0}), part);
    PutStaff(doc, part, 1, 0, 1);
    PutStaff(doc, part, 1, 1, 2);
    PutStaff(doc, part, 2, 0, 1);
    PutStaff(doc, part, 2, 1, 2, -5);
    PutStaff(doc, part, 3, 0, 3);
    PutStaff(doc, part, 4, 0, 4);
  }

  void Split(int16_t start_measure) {
    QCPartSystemSplitter splitter(start_measure);
    EXPECT_TRUE(splitter.Iterate(nullptr));
  }

  size_t Writes() const {
    return doc.CountCalls("QX_SaveEData") + doc.CountCalls("QX_CreateEData") +
           doc.CountCalls("QX_DeleteEData");
  }
};

TEST_F(PartSystemSplitterTest, CutsTheSystemContainingTheMeasure) {
  FourSystems();
  PutStaff(doc, 0, 5, 0, 9);  // a list left under a number no system has
  Split(7);
  EXPECT_EQ(SystemsText(doc, 0), "1:1-5/20 2:5-7/0 3:7-9/20 4:9-13/0 5:13-17/0");
  // None was under 5, none is made.
  EXPECT_EQ(SpansText(doc, kFrozenSystemTag, 0), "1-5 7-9 13-17");
  // Every list from the cut on moves up a number, the leftover one too.
  EXPECT_EQ(StaffListsText(doc, 0), "1:[1 2] 2:[1 2=-5] 3:[1 2=-5] 4:[3] 5:[4] 6:[9]");
  EXPECT_EQ(*doc.Find(kStaffSystemTag, 3, 0), SystemRecord({7, 9, 20}));  // other bytes carried
  EXPECT_EQ(doc.layout_updates, 2);
  EXPECT_EQ(doc.log.front().service, "QX_UpdateLayout");
  EXPECT_EQ(doc.log.back().service, "QX_UpdateLayout");
}

TEST_F(PartSystemSplitterTest, CuttingTheLastSystemMovesNothingElse) {
  FourSystems();
  Split(15);
  EXPECT_EQ(SystemsText(doc, 0), "1:1-5/20 2:5-9/0 3:9-13/0 4:13-15/0 5:15-17/20");
  EXPECT_EQ(SpansText(doc, kFrozenSystemTag, 0), "1-5 13-15 15-17");
  EXPECT_EQ(StaffListsText(doc, 0), "1:[1 2] 2:[1 2=-5] 3:[3] 4:[4] 5:[4]");
}

TEST_F(PartSystemSplitterTest, ACutCutShortByTheHostMovesOnlyTheListsOfMovedSystems) {
  // Refused: the move of the last system up (nothing moved), or the save of
  // the cut system's rest (systems 3 and 4 moved up, their lists with them).
  for (const auto& [refused, lists] : {std::pair{5, "1:[1 2] 2:[1 2=-5] 3:[3] 4:[4]"},
                                       std::pair{3, "1:[1 2] 2:[1 2=-5] 3:[3] 4:[3] 5:[4]"}}) {
    SCOPED_TRACE(refused);
    doc = standin::HostDocument();
    FourSystems();
    doc.refuse = [&](const standin::ServiceCall& call) {
      return call.service == "QX_SaveEData" && call.tag == kStaffSystemTag && call.cmper == refused;
    };
    Split(7);
    EXPECT_EQ(StaffListsText(doc, 0), lists);
  }
}

TEST_F(PartSystemSplitterTest, SystemAlreadyBeginningThereOnlyGetsTheIndent) {
  FourSystems();
  Split(9);
  EXPECT_EQ(SystemsText(doc, 0), "1:1-5/20 2:5-9/0 3:9-13/20 4:13-17/0");
  EXPECT_EQ(doc.LogText("QX_SaveEData"), "SaveEData SOSS 3/0 p0 28B v19000000 -> 1\n");
  EXPECT_EQ(Writes(), 1u);
  EXPECT_EQ(doc.layout_updates, 2);

  // System 1 loads for the list but not again for its indent: no indent.
  doc = standin::HostDocument();
  FourSystems();
  int loads_of_system_one = 0;
  doc.refuse = [&](const standin::ServiceCall& call) {
    return call.service == "QX_LoadEData" && call.tag == kStaffSystemTag && call.cmper == 1 &&
           ++loads_of_system_one == 2;
  };
  Split(9);
  EXPECT_EQ(SystemsText(doc, 0), "1:1-5/20 2:5-9/0 3:9-13/0 4:13-17/0");
}

TEST_F(PartSystemSplitterTest, PartsThatCannotBeCutOnlyGetTheLayoutUpdates) {
  // Systems filed as 1, 2, ..., then records filed under numbers of their own.
  struct Case {
    const char* what;
    int16_t start;
    std::vector<SystemShape> systems;
    std::vector<std::pair<uint16_t, standin::Bytes>> records;
  };
  const Case cases[] = {
      {"past the last system", 17, {{1, 5}, {5, 17}}, {}},
      {"gap before the measure", 6, {{1, 5, 20}, {8, 12}, {12, 16}}, {}},
      {"systems numbered 1, 2, 5", 3, {{1, 5}, {5, 9}}, {{5, SystemRecord({9, 13})}}},
      {"short system record", 3, {{1, 5}, {5, 9}}, {{3, Words({0, 0, 0, 0, 9})}}},
      {"short system 1 record", 6, {}, {{1, Words({0, 0, 0, 0, 9})}, {2, SystemRecord({5, 9})}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    doc = standin::HostDocument();
    PutSystems(doc, 0, c.systems);
    for (const auto& [number, record] : c.records) doc.Put(kStaffSystemTag, number, 0, record, 0);
    const auto before = doc.records();
    Split(c.start);
    EXPECT_EQ(doc.records(), before);
    EXPECT_EQ(Writes(), 0u);
    EXPECT_EQ(doc.layout_updates, 2);
  }
}

TEST_F(PartSystemSplitterTest, EachPartIsCutInItsOwnSystem) {
  PutParts(doc, {0, 4, 2});
  FourSystems(0);
  PutSystems(doc, 4, {{1, 4, 10}, {4, 10}, {10, 17}});
  PutSystems(doc, 2, {{1, 7, 5}, {7, 17}});
  doc.current_part = 2;

  QCParts parts;
  ASSERT_EQ(parts.LoadAll(), 3);
  QCPartSystemSplitter splitter(7);
  EXPECT_EQ(parts.ForEachPart(splitter), 3);

  EXPECT_EQ(SystemsText(doc, 0), "1:1-5/20 2:5-7/0 3:7-9/20 4:9-13/0 5:13-17/0");
  EXPECT_EQ(SystemsText(doc, 4), "1:1-4/10 2:4-7/0 3:7-10/10 4:10-17/0");
  EXPECT_EQ(SpansText(doc, kFrozenSystemTag, 4), "7-10");
  EXPECT_EQ(SystemsText(doc, 2), "1:1-7/5 2:7-17/5");
  EXPECT_EQ(SpansText(doc, kFrozenSystemTag, 2), "");
  EXPECT_EQ(doc.layout_updates, 6);
  EXPECT_EQ(doc.current_part, 2);
}

TEST_F(PartSystemSplitterTest, EverySystemShowsTheSameStavesOnEveryHost) {
  // Before kOwnStaffListsFrom a system shows list 0 unless its record
  // carries the own-list flag. Neighbours that differ in the flag, cut at
  // measure 3 inside system 1: each system shows what it showed, the new
  // system what the cut one shows, and no list is filed where no system is.
  const uint32_t older = standin::kOwnStaffListsFrom - 1;
  struct Case {
    uint32_t version;
    std::vector<bool> own;  // the own-list flag of systems 1, 2, 3, 4
    const char* shown;      // by the five systems afterwards
  };
  const Case cases[] = {
      {older, {false, true, false, false}, "1:[9] 2:[9] 3:[2] 4:[9] 5:[9]"},
      {older, {true, false, true, false}, "1:[1] 2:[1] 3:[9] 4:[3] 5:[9]"},
      {older, {true, true, true, true}, "1:[1] 2:[1] 3:[2] 4:[3] 5:[4]"},
      {standin::kOwnStaffListsFrom, {false, true, false, false}, "1:[1] 2:[1] 3:[2] 4:[3] 5:[4]"},
  };
  const uint16_t own_flag =
      standin::RecordLayouts::Mask(kStaffSystemTag, "systemFlags", {"ownStaffList"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    doc = standin::HostDocument();
    UseHostVersion(c.version);
    std::vector<SystemShape> systems = {{1, 5}, {5, 7}, {7, 9}, {9, 13}};
    for (size_t k = 0; k < systems.size(); ++k) systems[k].flags = c.own[k] ? own_flag : 0;
    PutSystems(doc, 0, systems);
    for (uint16_t list = 0; list <= 4; ++list) PutStaff(doc, 0, list, 0, list == 0 ? 9 : list);
    Split(3);
    EXPECT_EQ(SystemsText(doc, 0), "1:1-3/0 2:3-5/0 3:5-7/0 4:7-9/0 5:9-13/0");
    std::string shown;
    for (const auto& [number, list] : ShownStaffLists(doc, 0)) {
      shown += (shown.empty() ? "" : " ") + std::to_string(number) + ":[";
      for (const auto& staff : list)
        shown += std::to_string(FieldOf(doc, staff.entry, kSystemStaffTag, "staff"));
      shown += "]";
    }
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(doc.Find(kSystemStaffTag, 6, 0), nullptr) << "a list where no system is";
    // A system that shows list 0 gets a copy of it under its new number.
    if (&c == &cases[0]) {
      EXPECT_EQ(StaffListsText(doc, 0), "0:[9] 1:[1] 2:[9] 3:[2] 4:[9] 5:[9]");
    }
  }
}

TEST_F(PartSystemSplitterTest, ListsAndDetailsMoveWholeWithTheirSystems) {
  // A detail beside a staff that the list moving in does not have leaves
  // with its list: system 3's staff 2 detail goes to 4, none stays under 3.
  PutSystems(doc, 0, {{1, 5}, {5, 9}, {9, 13}});
  PutStaff(doc, 0, 1, 0, 1);
  PutStaff(doc, 0, 2, 0, 1);
  PutStaff(doc, 0, 3, 0, 1);
  PutStaff(doc, 0, 3, 1, 2, 80);
  Split(3);
  EXPECT_EQ(StaffListsText(doc, 0), "1:[1] 2:[1] 3:[1] 4:[1 2=80]");
  EXPECT_EQ(StrayDetails(doc, 0), "");

  // Lists whose entry numbers leave gaps move whole, and on a second cut
  // still show what they showed.
  doc = standin::HostDocument();
  PutSystems(doc, 0, {{1, 6}, {6, 11}, {11, 21}});
  PutStaff(doc, 0, 2, 0, 1);
  PutStaff(doc, 0, 2, 1, 2);
  PutStaff(doc, 0, 2, 3, 3, 70);
  PutStaff(doc, 0, 3, 0, 2);
  PutStaff(doc, 0, 3, 3, 1);
  Split(8);
  EXPECT_EQ(StaffListsText(doc, 0), "2:[1 2 3=70] 3:[1 2 3=70] 4:[2 1]");
  Split(4);
  EXPECT_EQ(StaffListsText(doc, 0), "3:[1 2 3=70] 4:[1 2 3=70] 5:[2 1]");
  EXPECT_EQ(StrayDetails(doc, 0), "");
}

TEST_F(PartSystemSplitterTest, APartWhoseListsAreNotDeliveredWholeIsLeftAsItWas) {
  // Three systems on a host before kOwnStaffListsFrom, the last one without
  // the own-list flag (it shows list 0), cut at 3. Each case spoils one list
  // that the cut would move or write over, or the host's way of telling
  // where a list ends: no system is cut, no list moves. A list the cut does
  // not reach (under 6) does not stop it.
  const uint16_t own =
      standin::RecordLayouts::Mask(kStaffSystemTag, "systemFlags", {"ownStaffList"});
  using Answer = standin::HostDocument::Answer;
  const struct {
    const char* spoilt;
    uint16_t number;  // the list given an entry without bytes, or 0xFFFF
    bool steps_stand_still;
    bool cut;
  } cases[] = {{"list 3", 3, false, false},
               {"list 5, two above the last system", 5, false, false},
               {"list 0, which system 3 shows", 0, false, false},
               {"the next-record steps within the lists", 0xFFFF, true, false},
               {"list 6, which the cut does not reach", 6, false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.spoilt);
    doc = standin::HostDocument();
    UseHostVersion(standin::kOwnStaffListsFrom - 1);
    PutSystems(doc, 0, {{1, 5, 0, own}, {5, 9, 0, own}, {9, 13}});
    for (uint16_t number = 0; number <= 3; ++number) PutStaff(doc, 0, number, 0, number + 1);
    if (c.number != 0xFFFF) doc.Put(kSystemStaffTag, c.number, 1, standin::Bytes{}, 0);
    if (c.steps_stand_still) {
      doc.answer = [](const standin::ServiceCall& call) {
        return call.service == "QX_NextEData" && call.tag == kSystemStaffTag ? Answer::kStandsStill
                                                                             : Answer::kAsIs;
      };
    }
    const standin::RecordStore before = doc.records();
    doc.log.clear();
    Split(3);
    EXPECT_EQ(SystemsText(doc, 0),
              c.cut ? "1:1-3/0 2:3-5/0 3:5-9/0 4:9-13/0" : "1:1-5/0 2:5-9/0 3:9-13/0");
    if (!c.cut) {
      EXPECT_TRUE(doc.records() == before);
      EXPECT_EQ(Writes(), 0u);
      // No system is looked for to be given system 1's indent.
      for (const standin::ServiceCall& call : doc.log)
        EXPECT_FALSE(call.tag == kStaffSystemTag && call.cmper > 4) << call.ToString();
    }
  }
}

TEST_F(PartSystemSplitterTest, SystemNumbersNeverRunPastTheHighest) {
  // System 1 covers three measures, every other system one; the last number
  // must stay below 0xFFFF, which asks the host to assign a number.
  for (const auto& [count, cut] : {std::pair{0xFFFD, true}, std::pair{0xFFFE, false}}) {
    SCOPED_TRACE(count);
    doc = standin::HostDocument();
    doc.logging = false;
    doc.Put(kStaffSystemTag, 1, 0, SystemRecord({-32768, -32765}));
    for (int number = 2; number <= count; ++number) {
      const auto first = static_cast<int16_t>(-32765 + number - 2);
      doc.Put(kStaffSystemTag, static_cast<uint16_t>(number), 0,
              SystemRecord({first, static_cast<int16_t>(first + 1)}));
    }
    PutStaff(doc, 0, 0xFFFE, 0, 7);
    Split(-32767);
    int systems = 0;
    ForRecords(doc, 0, kStaffSystemTag, [&](const auto&, const auto&) { ++systems; });
    EXPECT_EQ(systems, cut ? count + 1 : count);
    EXPECT_EQ(doc.Find(kStaffSystemTag, 0xFFFF, 0), nullptr);
    EXPECT_EQ(doc.Find(kStaffSystemTag, 0, 0), nullptr);
    EXPECT_EQ(FieldOf(doc, *doc.Find(kStaffSystemTag, 1, 0), kStaffSystemTag, "endMeasure"),
              cut ? -32767 : -32765);
    // The cut moves the empty list of system 0xFFFD up; no list is filed
    // under a number the host would assign.
    EXPECT_EQ(StaffListsText(doc, 0), cut ? "" : "65534:[7]");
  }
}

}  // namespace
