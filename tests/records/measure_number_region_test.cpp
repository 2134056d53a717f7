// Measure-number regions in the three host layouts, the enclosures that live
// inside them, and the collection of all regions.
#include "records/measure_number_region.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "records/measure_number_regions.h"
#include "standin/documents/record_builder.h"
#include "tests/support/host_records.h"
#include "tests/support/host_test.h"

namespace {

using standin::Bytes;
using standin::MakeTag;
using testing_support::kRegionTag;

// A record whose bytes count up from `seed`, so every carried byte is known.
Bytes PatternRecord(size_t size, uint8_t seed) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i);
  return bytes;
}

Bytes RecordOf(QCMeasureNumberRegion& region) {
  return Bytes(region.DataBuffer(), region.DataBuffer() + region.DataSize());
}

class MeasureNumberRegionTest : public testing_support::HostTest {};

// At every host version the region reads and writes its fields, and its
// enclosures are the bytes, where the host keeps them.
TEST_F(MeasureNumberRegionTest, EachHostVersionReadsAndWritesItsOwnLayout) {
  for (uint32_t version : standin::RecordLayouts::VersionsToTry()) {
    SCOPED_TRACE(testing::Message() << std::hex << version);
    UseHostVersion(version);
    doc.log.clear();
    const Bytes pattern =
        PatternRecord(standin::RecordLayouts::Blank(kRegionTag, version).size(), 1);
    const Bytes stored = standin::RegionRecord(version, {5, 12, 0x1234}, pattern);
    doc.Put(kRegionTag, 2, 0, stored);

    QCMeasureNumberRegion region;
    ASSERT_TRUE(region.Load(2));
    EXPECT_EQ(region.FirstMeasure(), 5);
    EXPECT_EQ(region.EndMeasure(), 12);
    EXPECT_EQ(region.ClearedOnSplit(), 0x1234);
    for (int n = 1; n <= 4; ++n) {
      const standin::InnerRecord* inner =
          standin::RecordLayouts::FindInner(kRegionTag, version, "enclosure" + std::to_string(n));
      ASSERT_NE(inner, nullptr);
      EXPECT_EQ(region.Enclosure(n)->DataBuffer(), region.DataBuffer() + inner->offset);
    }
    region.SetFirstMeasure(-3);
    region.SetEndMeasure(400);
    region.SetClearedOnSplit(0);
    ASSERT_TRUE(region.Save());
    EXPECT_EQ(*doc.Find(kRegionTag, 2, 0), standin::RegionRecord(version, {-3, 400, 0}, pattern));
    EXPECT_EQ(doc.CountCalls("QX_LoadEData") + doc.CountCalls("QX_SaveEData"), 2u);
  }
}

TEST_F(MeasureNumberRegionTest, ANewRegionIsLoadedWithZerosAndCanBeCreated) {
  UseHostVersion(0x10000000);
  doc.Put(kRegionTag, 1, 0, PatternRecord(196, 0));
  QCMeasureNumberRegion region;
  EXPECT_EQ(region.LoadedSize(), 196u);
  ASSERT_TRUE(region.SaveNew());
  EXPECT_EQ(region.ItemCmper(), 2);
  EXPECT_EQ(*doc.Find(kRegionTag, 2, 0), Bytes(196, 0));
  EXPECT_EQ(doc.LogText(), "CreateEData SOMN 65535/65535 p0 196B v0F000200 -> 1\n");
}

TEST_F(MeasureNumberRegionTest, ACloneOwnsItsBytesAndItsEnclosuresReadThem) {
  UseHostVersion(host::kRegionLayout350From);
  const Bytes stored = PatternRecord(350, 7);
  doc.Put(kRegionTag, 3, 0, stored);
  QCMeasureNumberRegion source;
  ASSERT_TRUE(source.Load(3));
  std::unique_ptr<QCBaseData> copy_object = source.Clone();
  auto* copy = dynamic_cast<QCMeasureNumberRegion*>(copy_object.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->ItemCmper(), 3);

  // Changed afterwards, the source does not show through the copy's
  // enclosure 2, which reads the copied bytes 88 to 99.
  std::memset(source.DataBuffer(), 0xEE, 350);
  QCEnclosure* enclosure2 = copy->Enclosure(2);
  EXPECT_EQ(Bytes(enclosure2->DataBuffer(), enclosure2->DataBuffer() + 12),
            Bytes(stored.begin() + 88, stored.begin() + 100));

  // Writing through an enclosure writes the region's record.
  enclosure2->DataBuffer()[0] = 0x42;
  ASSERT_TRUE(copy->Save());
  EXPECT_EQ(doc.Find(kRegionTag, 3, 0)->at(88), 0x42);
}

TEST_F(MeasureNumberRegionTest, AShortRecordSavesShortButItsCopyIsFullSizeWithZeros) {
  UseHostVersion(host::kRegionLayout350From);
  doc.Put(kRegionTag, 2, 0, PatternRecord(300, 50));
  doc.Put(kRegionTag, 3, 0, PatternRecord(100, 9));

  // No region at cmper 1: the walk starts at the first region the host has.
  QCMeasureNumberRegions regions;
  EXPECT_EQ(regions.LoadAll(), 2);
  EXPECT_EQ(regions.RegionAt(0)->ItemCmper(), 2);
  doc.Put(kRegionTag, 1, 0, PatternRecord(350, 1));
  ASSERT_EQ(regions.LoadAll(), 3);

  // Each region the collection lists holds its own bytes, zeros after a
  // short one's, never the tail of the region listed before it; a region the
  // host finds but delivers without bytes (4, after the short 3) holds none
  // and is not loaded, so it cannot be saved or widened by a copy.
  doc.Put(kRegionTag, 4, 0, Bytes{});
  ASSERT_EQ(regions.LoadAll(), 4);
  QCMeasureNumberRegion* listed = regions.RegionAt(2);
  Bytes expected = PatternRecord(100, 9);
  expected.resize(350, 0);
  EXPECT_EQ(RecordOf(*listed), expected);
  QCMeasureNumberRegion* empty = regions.RegionAt(3);
  EXPECT_EQ(empty->LoadedSize(), 0u);
  EXPECT_EQ(RecordOf(*empty), Bytes(350, 0));
  doc.log.clear();
  EXPECT_FALSE(empty->Save());
  EXPECT_TRUE(doc.log.empty());

  // A short region saves as the host delivered it; its copy is full size.
  std::unique_ptr<QCBaseData> copy_object = listed->Clone();
  auto* copy = dynamic_cast<QCMeasureNumberRegion*>(copy_object.get());
  ASSERT_NE(copy, nullptr);
  ASSERT_TRUE(listed->Save());
  ASSERT_TRUE(copy->SaveNew());
  EXPECT_EQ(doc.LogText(),
            "SaveEData SOMN 3/0 p0 100B v11000000 -> 1\n"
            "CreateEData SOMN 65535/65535 p0 350B v11000000 -> 1\n");

  // A region made under an older host, loaded or not, gives a copy in a
  // wider layout no more than its own bytes, and the copy counts as loaded.
  UseHostVersion(host::kRegionLayout196From - 1);  // the 88-byte layout
  QCMeasureNumberRegion old;
  std::memset(old.DataBuffer(), 0x5A, 88);
  EXPECT_FALSE(old.Load(9));
  UseHostVersion(host::kRegionLayout350From);
  QCMeasureNumberRegion wide;
  EXPECT_FALSE(wide.Load(9));
  wide.CopyDataFrom(old);
  EXPECT_EQ(wide.LoadedSize(), 350u);
  expected.assign(88, 0x5A);
  expected.resize(350, 0);
  EXPECT_EQ(RecordOf(wide), expected);
}

TEST_F(MeasureNumberRegionTest, RegionOneRefusedOnceIsStillListedFirst) {
  // Region 1's first load refused: the walk from before the first region
  // still lists it.
  QCMeasureNumberRegion region;
  doc.Put(kRegionTag, 1, 0, standin::RecordLayouts::Blank(kRegionTag, doc.host_version));
  doc.Put(kRegionTag, 2, 0, standin::RecordLayouts::Blank(kRegionTag, doc.host_version));
  int loads = 0;
  doc.refuse = [&](const standin::ServiceCall& call) {
    return call.service == "QX_LoadEData" && ++loads == 1;
  };
  ASSERT_TRUE(region.LoadFirst());
  EXPECT_EQ(region.ItemCmper(), 1);
}

TEST_F(MeasureNumberRegionTest, AnEnclosureAnswersItsTagOrTheOverride) {
  QCEnclosure enclosure;
  EXPECT_EQ(enclosure.DataTag(), testing_support::kEnclosureTag);
  enclosure.SetTagOverride(MakeTag("otXy"));
  EXPECT_EQ(enclosure.DataTag(), MakeTag("otXy"));
}

}  // namespace
