// Splitting measure-number regions at the first measure of a new piece, as
// the Start New Piece command walks them: which regions are cut, what the
// host holds afterwards, and what a refusing host leaves behind.
#include "operations/measure_number_region_splitter.h"

#include <gtest/gtest.h>

#include <string>

#include "records/measure_number_region.h"
#include "records/measure_number_regions.h"
#include "tests/support/host_test.h"

namespace {

using standin::Bytes;
using standin::MakeTag;

constexpr uint32_t kRegionTag = MakeTag("SOMN");

// Offsets of the fields in the layouts the tests use (host format).
struct Offsets {
  size_t size, first, end, cleared;
};
constexpr Offsets k350 = {350, 140, 142, 150};
constexpr Offsets k88 = {88, 6, 8, 16};

uint16_t WordAt(const Bytes& bytes, size_t offset) {
  return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

void PutWord(Bytes& bytes, size_t offset, uint16_t value) {
  bytes[offset] = static_cast<uint8_t>(value & 0xFF);
  bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

// A region record whose carried bytes are recognisable by `seed`.
Bytes Region(const Offsets& at, int16_t first, int16_t end, uint8_t seed = 0x30) {
  Bytes bytes(at.size);
  for (size_t i = 0; i < at.size; ++i) bytes[i] = static_cast<uint8_t>(seed + i);
  PutWord(bytes, at.first, static_cast<uint16_t>(first));
  PutWord(bytes, at.end, static_cast<uint16_t>(end));
  PutWord(bytes, at.cleared, 0x7777);
  return bytes;
}

// "first-end" of every region the host holds, in cmper order, e.g. "1:1-9".
std::string Regions(const standin::HostDocument& doc, const Offsets& at) {
  std::string text;
  for (const auto& [key, bytes] : doc.records()) {
    if (key.tag != kRegionTag) continue;
    if (!text.empty()) text += ' ';
    text += std::to_string(key.cmper) + ":" +
            std::to_string(static_cast<int16_t>(WordAt(bytes, at.first))) + "-" +
            std::to_string(static_cast<int16_t>(WordAt(bytes, at.end)));
  }
  return text;
}

class MeasureNumberRegionSplitterTest : public testing_support::HostTest {
 protected:
  // Loads every region and lets a splitter for measure m visit each, as the
  // command does; returns how many visits answered true.
  int32_t SplitAt(int32_t m) {
    QCMeasureNumberRegions regions;
    regions.LoadAll();
    QCMeasureNumberRegionSplitter splitter(m);
    return regions.ForEach(splitter);
  }
};

TEST_F(MeasureNumberRegionSplitterTest, CutsTheCoveringRegionInEachLayout) {
  for (uint32_t version : {0x11000000u, 0x0EFFFFFFu}) {
    SCOPED_TRACE(testing::Message() << std::hex << version);
    const Offsets& at = version == 0x11000000u ? k350 : k88;
    doc.mutable_records().clear();
    doc.log.clear();
    UseHostVersion(version);
    const Bytes old_region = Region(at, 1, 21);
    doc.Put(kRegionTag, 1, 0, old_region);

    EXPECT_EQ(SplitAt(9), 1);

    EXPECT_EQ(Regions(doc, at), "1:1-9 2:9-21");
    // The new region is the old one from measure 9 on, with clearedOnSplit 0
    // and every other byte carried; the old one changed only its end.
    Bytes expected_new = old_region;
    PutWord(expected_new, at.first, 9);
    PutWord(expected_new, at.cleared, 0);
    EXPECT_EQ(*doc.Find(kRegionTag, 2, 0), expected_new);
    Bytes expected_old = old_region;
    PutWord(expected_old, at.end, 9);
    EXPECT_EQ(*doc.Find(kRegionTag, 1, 0), expected_old);
    const std::string size = std::to_string(at.size) + "B";
    const std::string v = version == 0x11000000u ? " v11000000" : " v0A000000";
    EXPECT_EQ(doc.LogText("QX_CreateEData") + doc.LogText("QX_SaveEData"),
              "CreateEData SOMN 65535/65535 p0 " + size + v + " -> 1\n" + "SaveEData SOMN 1/0 p0 " +
                  size + v + " -> 1\n");
  }
}

TEST_F(MeasureNumberRegionSplitterTest, CutsEveryRegionThatCoversTheMeasureAndNoOther) {
  UseHostVersion(0x11000000);
  doc.Put(kRegionTag, 1, 0, Region(k350, 1, 9));    // ends just before 9
  doc.Put(kRegionTag, 2, 0, Region(k350, 9, 16));   // begins at 9
  doc.Put(kRegionTag, 3, 0, Region(k350, 5, 10));   // its last measure is 9
  doc.Put(kRegionTag, 4, 0, Region(k350, 10, 20));  // begins after 9
  doc.Put(kRegionTag, 5, 0, Region(k350, 3, 30));   // runs across 9

  EXPECT_EQ(SplitAt(9), 5);

  // The new regions come after the existing ones, in walk order; the region
  // that began at 9 is left covering no measure.
  EXPECT_EQ(Regions(doc, k350), "1:1-9 2:9-9 3:5-9 4:10-20 5:3-9 6:9-16 7:9-10 8:9-30");
  EXPECT_EQ(doc.CountCalls("QX_CreateEData"), 3u);
  EXPECT_EQ(doc.CountCalls("QX_SaveEData"), 3u);
}

TEST_F(MeasureNumberRegionSplitterTest, ARegionThatCannotBeCreatedLeavesTheOldOneWhole) {
  UseHostVersion(0x11000000);
  doc.Put(kRegionTag, 1, 0, Region(k350, 1, 21));
  doc.Put(kRegionTag, 2, 0, Region(k350, 9, 30));
  int creates = 0;
  doc.refuse = [&](const standin::ServiceCall& call) {
    return call.service == "QX_CreateEData" && ++creates == 1;
  };

  EXPECT_EQ(SplitAt(9), 2);

  // The first region is not shortened: its measures 9 to 20 keep a region.
  // The walk goes on and the second region is still cut.
  EXPECT_EQ(Regions(doc, k350), "1:1-21 2:9-9 3:9-30");
  EXPECT_EQ(doc.LogText("QX_SaveEData"), "SaveEData SOMN 2/0 p0 350B v11000000 -> 1\n");
}

TEST_F(MeasureNumberRegionSplitterTest, AnOldRegionThatCannotBeSavedTakesBackTheNewOne) {
  UseHostVersion(0x11000000);
  doc.Put(kRegionTag, 1, 0, Region(k350, 1, 21));
  doc.refuse = [](const standin::ServiceCall& call) { return call.service == "QX_SaveEData"; };

  EXPECT_EQ(SplitAt(9), 1);

  EXPECT_EQ(Regions(doc, k350), "1:1-21");
  EXPECT_EQ(doc.LogText("QX_DeleteEData"), "DeleteEData SOMN 2/0 p0 v11000000 -> 1\n");
}

}  // namespace
