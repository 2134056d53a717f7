// Splitting measure-number regions at the first measure of a new piece, as
// the Start New Piece command walks them: which regions are cut, what the
// host holds afterwards, and what a refusing host leaves behind.
#include "operations/measure_number_region_splitter.h"

#include <gtest/gtest.h>

#include <string>

#include "records/measure_number_region.h"
#include "records/measure_number_regions.h"
#include "tests/support/staff_systems.h"

namespace {

using standin::Bytes;
using standin::RegionRecord;
using testing_support::kRegionTag;

// The host version of these tests; any layout would do.
constexpr uint32_t kVersion = 0x11000000;

// A region record whose carried bytes are recognisable.
Bytes Region(uint16_t first, uint16_t end) {
  Bytes bytes = standin::RecordLayouts::Blank(kRegionTag, kVersion);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(0x30 + i);
  return RegionRecord(kVersion, {first, end, 0x7777}, bytes);
}

// "cmper:first-end" of every region the host holds, in cmper order.
std::string Regions(const standin::HostDocument& doc) {
  return testing_support::SpansText(doc, kRegionTag, standin::RecordKey::kDocumentWide);
}

class MeasureNumberRegionSplitterTest : public testing_support::HostTest {
 protected:
  // Loads every region and lets a splitter for measure m visit each, as the
  // command does; returns how many visits answered true.
  int32_t SplitAt(int16_t m) {
    QCMeasureNumberRegions regions;
    regions.LoadAll();
    QCMeasureNumberRegionSplitter splitter(m);
    return regions.ForEach(splitter);
  }
};

TEST_F(MeasureNumberRegionSplitterTest, CutsTheCoveringRegionIntoANewRegionAndAShorterOne) {
  UseHostVersion(kVersion);
  const Bytes old_region = Region(1, 21);
  doc.Put(kRegionTag, 1, 0, old_region);

  EXPECT_EQ(SplitAt(9), 1);

  // The new region is the old one from measure 9 on, with clearedOnSplit 0
  // and every other byte carried; the old one changed only its end.
  EXPECT_EQ(*doc.Find(kRegionTag, 2, 0), RegionRecord(kVersion, {9, 21, 0}, old_region));
  EXPECT_EQ(*doc.Find(kRegionTag, 1, 0), RegionRecord(kVersion, {1, 9, 0x7777}, old_region));
}

TEST_F(MeasureNumberRegionSplitterTest, CutsEveryRegionThatCoversTheMeasureAndNoOther) {
  UseHostVersion(kVersion);
  doc.Put(kRegionTag, 1, 0, Region(1, 9));    // ends just before 9
  doc.Put(kRegionTag, 2, 0, Region(9, 16));   // begins at 9
  doc.Put(kRegionTag, 3, 0, Region(5, 10));   // its last measure is 9
  doc.Put(kRegionTag, 4, 0, Region(10, 20));  // begins after 9
  doc.Put(kRegionTag, 5, 0, Region(3, 30));   // runs across 9

  EXPECT_EQ(SplitAt(9), 5);

  // The new regions come after the existing ones, in walk order; the region
  // that begins at 9 already numbers the piece and is left as it was.
  EXPECT_EQ(Regions(doc), "1:1-9 2:9-16 3:5-9 4:10-20 5:3-9 6:9-10 7:9-30");
  EXPECT_EQ(doc.CountCalls("QX_CreateEData"), 2u);
  EXPECT_EQ(doc.CountCalls("QX_SaveEData"), 2u);

  // A second start at the same measure changes nothing.
  const auto records = doc.records();
  EXPECT_EQ(SplitAt(9), 7);
  EXPECT_EQ(doc.records(), records);
}

TEST_F(MeasureNumberRegionSplitterTest, RegionsAreFoundWithoutRegionOne) {
  // The user deleted region 1; the covering region 2 is still cut.
  UseHostVersion(kVersion);
  doc.Put(kRegionTag, 2, 0, Region(1, 9));
  doc.Put(kRegionTag, 3, 0, Region(9, 17));
  EXPECT_EQ(SplitAt(6), 2);
  EXPECT_EQ(Regions(doc), "2:1-6 3:9-17 4:6-9");
}

TEST_F(MeasureNumberRegionSplitterTest, ARefusedRecordLeavesThatRegionWhole) {
  UseHostVersion(kVersion);
  doc.Put(kRegionTag, 1, 0, Region(1, 21));
  doc.Put(kRegionTag, 2, 0, Region(8, 30));
  doc.Put(kRegionTag, 3, 0, Region(5, 40));
  // The first new region is refused; then the second old region's save.
  int creates = 0;
  doc.refuse = [&](const standin::ServiceCall& call) {
    return (call.service == "QX_CreateEData" && ++creates == 1) ||
           (call.service == "QX_SaveEData" && call.cmper == 2);
  };

  EXPECT_EQ(SplitAt(9), 3);

  // Regions 1 and 2 still cover their measures, once each; the new region
  // made for region 2 is taken back; the walk goes on and region 3 is cut.
  EXPECT_EQ(Regions(doc), "1:1-21 2:8-30 3:5-9 4:9-40");
  EXPECT_EQ(doc.LogText("QX_DeleteEData"), "DeleteEData SOMN 4/0 p0 v11000000 -> 1\n");
}

}  // namespace
