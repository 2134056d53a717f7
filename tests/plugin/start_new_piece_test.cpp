// The Start New Piece command as the host runs it: menu index 0 through the
// module's entry point, on a document with three parts.
#include "plugin/start_new_piece.h"

#include <gtest/gtest.h>

#include <array>

#include <string>
#include <vector>

#include "plugin/extension_api.h"
#include "tests/support/staff_systems.h"

namespace {

using namespace testing_support;

using standin::kSettingCmper;

class StartNewPieceTest : public HostTest {
 protected:
  // Parts 0, 2 and 5 with systems of their own and a rest across measure 9
  // in parts 2 and 5; measures 1-16; one region over all of them, in the
  // host's layouts at `host_version`.
  void ThreeParts(uint32_t host_version, uint16_t split_gate = 0) {
    doc = standin::HostDocument();
    UseHostVersion(host_version);
    PutParts(doc, {0, 2, 5});
    PutSystems(doc, 0, {{1, 5, 30}, {5, 10}, {10, 17}});
    PutSystems(doc, 2, {{1, 9, 20}, {9, 17}});
    PutSystems(doc, 5, {{1, 12, 10}, {12, 17}});
    for (uint16_t m = 1; m <= 16; ++m) PutMeasure(doc, host_version, m, 0, 0);
    PutMeasure(doc, host_version, 9, 0x0030, 0x0000);
    PutMeasure(doc, host_version, 8, 0x0000, 0x00A0);
    doc.Put(kRestTag, 7, 0, CountedRest(12), 2);
    doc.Put(kRestTag, 3, 0, standin::RestRecord(host_version, 11), 5);
    doc.Put(kRegionTag, 1, 0,
            standin::RegionRecord(host_version, {1, 17, 0x5A5A},
                                  standin::FilledRecord(kRegionTag, host_version, 0x5A)));
    doc.Put(kRestSettingsTag, kSettingCmper, 0,
            standin::SettingRecord(kRestSettingsTag, host_version, {1, 2, 3, 4, 5, 6}));
    doc.Put(kRestSettingsTag, kSettingCmper, 1,
            standin::SettingRecord(kRestSettingsTag, host_version, {7, 8, 9, 10, 11, 12}));
    std::array<uint16_t, 6> gate = {};
    gate[standin::kSplitGateWord] = split_gate;
    doc.Put(kSplitGateSettingTag, kSettingCmper, 0,
            standin::SettingRecord(kSplitGateSettingTag, host_version, gate));
  }

  // A rest ending before `end` whose bytes after its end are recognisable.
  standin::Bytes CountedRest(int16_t end) const {
    return standin::RestRecord(doc.host_version, end,
                               CountingRecord(kRestTag, doc.host_version, 1));
  }
  // The end of the rest filed under `first` in `part`.
  int RestEnd(uint16_t first, int16_t part) const {
    return standin::RecordLayouts::Read(*doc.Find(kRestTag, first, 0, part), kRestTag,
                                        doc.host_version, "endMeasure")
        .value_or(-1);
  }

  int32_t Invoke(int16_t start) {
    return QuilloExtensionInvoke(nullptr, 0, SelectMeasures(start, start).data());
  }

  std::pair<int, int> Flags(uint16_t measure) { return MeasureFlags(doc, measure); }

  // The services in the order they were called, reduced to part switches
  // and layout updates: "U" for an update, "p2" for a switch to part 2.
  std::string SwitchesAndUpdates() {
    std::string text;
    for (const standin::ServiceCall& call : doc.log) {
      if (call.service == "QX_UpdateLayout") text += "U ";
      if (call.service == "QX_SetCurrentPartID") text += "p" + std::to_string(call.arg1) + " ";
    }
    return text;
  }
};

TEST_F(StartNewPieceTest, TheRoadAtMeasureNineThroughThreeParts) {
  ThreeParts(0x12000000);
  doc.current_part = 2;
  ASSERT_EQ(Invoke(9), 1);
  EXPECT_EQ(SystemsText(doc, 0), "1:1-5/30 2:5-9/0 3:9-10/30 4:10-17/0");
  EXPECT_EQ(SystemsText(doc, 2), "1:1-9/20 2:9-17/20");
  EXPECT_EQ(SystemsText(doc, 5), "1:1-9/10 2:9-12/10 3:12-17/0");
  EXPECT_EQ(SpansText(doc, kFrozenSystemTag, 0), "9-10");
  EXPECT_EQ(RestEnd(7, 2), 9);
  EXPECT_EQ(*doc.Find(kRestTag, 9, 0, 2), CountedRest(12));
  EXPECT_EQ(RestEnd(3, 5), 9);
  EXPECT_EQ(RestEnd(9, 5), 11);
  EXPECT_EQ(Flags(9), std::make_pair(0x8800, 0x8C00));
  EXPECT_EQ(Flags(8), std::make_pair(0x4000, 0x2050));
  EXPECT_EQ(SpansText(doc, kRegionTag, standin::RecordKey::kDocumentWide), "1:1-9 2:9-17");
  EXPECT_EQ(FieldOf(doc, *doc.Find(kRegionTag, 2, 0), kRegionTag, "clearedOnSplit"), 0);
  EXPECT_EQ(doc.current_part, 2);
  // Two updates around each part's system split, then one for the command;
  // the rest splitter switches parts without updating.
  EXPECT_EQ(SwitchesAndUpdates(), "p0 U U p2 p2 U U p2 p5 U U p2 p0 p2 p2 p2 p5 p2 U ");
}

TEST_F(StartNewPieceTest, APartWithoutItsRecordIsPassedOver) {
  // Part 2's record is missing: part 2 is not cut, and neither part 0
  // before it nor part 5 after it is left out.
  ThreeParts(0x12000000);
  doc.Erase(kPartTag, 2, 0);
  ASSERT_EQ(Invoke(9), 1);
  EXPECT_EQ(SystemsText(doc, 0), "1:1-5/30 2:5-9/0 3:9-10/30 4:10-17/0");
  EXPECT_EQ(SystemsText(doc, 2), "1:1-9/20 2:9-17/0");
  EXPECT_EQ(SystemsText(doc, 5), "1:1-9/10 2:9-12/10 3:12-17/0");
  // Without part 0's record, the parts after it are still cut.
  ThreeParts(0x12000000);
  doc.Erase(kPartTag, 0, 0);
  ASSERT_EQ(Invoke(9), 1);
  EXPECT_EQ(SystemsText(doc, 0), "1:1-5/30 2:5-10/0 3:10-17/0");
  EXPECT_EQ(SystemsText(doc, 5), "1:1-9/10 2:9-12/10 3:12-17/0");
}

TEST_F(StartNewPieceTest, MeasureMarksInEveryLayoutAndBothVersionRanges) {
  for (uint32_t version : standin::RecordLayouts::VersionsToTry()) {
    SCOPED_TRACE(version);
    ThreeParts(version);
    ASSERT_EQ(Invoke(9), 1);
    EXPECT_EQ(doc.Find(kMeasureTag, 9, 0)->size(),
              standin::RecordLayouts::Find(kMeasureTag, version).size);
    EXPECT_EQ(Flags(9),
              std::make_pair(version >= standin::kPieceMarksFrom ? 0x8800 : 0x8000, 0x8C00));
    EXPECT_EQ(Flags(8), std::make_pair(0x4000, 0x2050));
    EXPECT_EQ(Flags(10), std::make_pair(0, 0));
  }
}

TEST_F(StartNewPieceTest, AClosedSplitGateLeavesEveryRestAlone) {
  ThreeParts(0x12000000, 0x0100);
  const standin::Bytes rest2 = *doc.Find(kRestTag, 7, 0, 2);
  ASSERT_EQ(Invoke(9), 1);
  EXPECT_EQ(*doc.Find(kRestTag, 7, 0, 2), rest2);
  EXPECT_EQ(doc.Find(kRestTag, 9, 0, 2), nullptr);
  EXPECT_EQ(doc.Find(kRestTag, 9, 0, 5), nullptr);
  EXPECT_EQ(SystemsText(doc, 0), "1:1-5/30 2:5-9/0 3:9-10/30 4:10-17/0");
  EXPECT_EQ(Flags(9), std::make_pair(0x8800, 0x8C00));
  EXPECT_NE(doc.Find(kRegionTag, 2, 0), nullptr);
}

TEST_F(StartNewPieceTest, BelowMeasureTwoNothingIsAskedOfTheHost) {
  ThreeParts(0x12000000);
  EXPECT_EQ(Invoke(1), 0);
  EXPECT_EQ(Invoke(-3), 0);
  EXPECT_EQ(doc.CountCalls("QX_GetCurrentCantorDocument"), 2u);  // building the region only
  EXPECT_EQ(doc.log.size(), 2u);
  EXPECT_EQ(doc.layout_updates, 0);
}

TEST_F(StartNewPieceTest, MeasureTwoMarksMeasuresTwoAndOne) {
  ThreeParts(0x12000000);
  ASSERT_EQ(Invoke(2), 1);
  EXPECT_EQ(Flags(2), std::make_pair(0x8800, 0x8C00));
  EXPECT_EQ(Flags(1), std::make_pair(0x4000, 0x2050));
}

TEST_F(StartNewPieceTest, PastTheLastMeasureNothingIsWrittenToMeasures) {
  ThreeParts(0x12000000);
  ASSERT_EQ(Invoke(40), 1);
  EXPECT_EQ(doc.Find(kMeasureTag, 40, 0), nullptr);
  EXPECT_EQ(doc.Find(kMeasureTag, 39, 0), nullptr);
  for (const standin::ServiceCall& call : doc.log) {
    EXPECT_FALSE(call.service == "QX_SaveEData" && call.tag == kMeasureTag);
  }
  EXPECT_EQ(SystemsText(doc, 0), "1:1-5/30 2:5-10/0 3:10-17/0");
}

}  // namespace
