// Measure-number regions in the three host layouts, the enclosures that live
// inside them, and the collection of all regions.
#include "records/measure_number_region.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "records/measure_number_regions.h"
#include "tests/support/host_test.h"

namespace {

using standin::Bytes;
using standin::MakeTag;

constexpr uint32_t kRegionTag = MakeTag("SOMN");

void PutWord(Bytes& bytes, size_t offset, uint16_t value) {
  bytes[offset] = static_cast<uint8_t>(value & 0xFF);
  bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

// A region record of `size` bytes whose other bytes count up from `seed`, so
// that every carried byte is recognisable.
Bytes PatternRecord(size_t size, uint8_t seed) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i);
  return bytes;
}

struct LayoutCase {
  uint32_t host_version;
  int32_t size;
  uint32_t data_version;
  size_t first_measure, end_measure, cleared_on_split;
  size_t enclosure[4];  // enclosures 1 to 4
};

const LayoutCase kCases[] = {
    {0x11000000, 350, 0x11000000, 140, 142, 150, {18, 88, 30, 100}},
    {0x10FFFFFF, 196, 0x0F000200, 132, 134, 140, {18, 84, 30, 96}},
    {0x10000000, 196, 0x0F000200, 132, 134, 140, {18, 84, 30, 96}},
    {0x0F000000, 196, 0x0F000200, 132, 134, 140, {18, 84, 30, 96}},
    {0x0EFFFFFF, 88, 0x0A000000, 6, 8, 16, {70, 70, 70, 70}},
};

class MeasureNumberRegionTest : public testing_support::HostTest {};

TEST_F(MeasureNumberRegionTest, EachHostVersionReadsAndWritesItsOwnLayout) {
  for (const LayoutCase& c : kCases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.host_version);
    UseHostVersion(c.host_version);
    doc.log.clear();
    Bytes stored = PatternRecord(static_cast<size_t>(c.size), 1);
    PutWord(stored, c.first_measure, 5);
    PutWord(stored, c.end_measure, 12);
    PutWord(stored, c.cleared_on_split, 0x1234);
    doc.Put(kRegionTag, 2, 0, stored);

    QCMeasureNumberRegion region;
    EXPECT_EQ(region.DataSize(), c.size);
    EXPECT_EQ(region.DataVersion(), c.data_version);
    ASSERT_TRUE(region.Load(2));
    EXPECT_EQ(region.FirstMeasure(), 5);
    EXPECT_EQ(region.EndMeasure(), 12);
    EXPECT_EQ(region.ClearedOnSplit(), 0x1234);
    for (int n = 1; n <= 4; ++n) {
      EXPECT_EQ(region.Enclosure(n)->DataBuffer(), region.DataBuffer() + c.enclosure[n - 1]);
      EXPECT_EQ(
          std::memcmp(region.Enclosure(n)->DataBuffer(), stored.data() + c.enclosure[n - 1], 12),
          0);
    }

    region.SetFirstMeasure(-3);
    region.SetEndMeasure(400);
    region.SetClearedOnSplit(0);
    ASSERT_TRUE(region.Save());
    Bytes expected = stored;
    PutWord(expected, c.first_measure, 0xFFFD);
    PutWord(expected, c.end_measure, 400);
    PutWord(expected, c.cleared_on_split, 0);
    EXPECT_EQ(*doc.Find(kRegionTag, 2, 0), expected);

    char version[9];
    std::snprintf(version, sizeof version, "%08X", c.data_version);
    const std::string size = std::to_string(c.size) + "B v" + version;
    EXPECT_EQ(doc.LogText("QX_LoadEData"), "LoadEData SOMN 2/0 p0 " + size + " -> 1\n");
    EXPECT_EQ(doc.LogText("QX_SaveEData"), "SaveEData SOMN 2/0 p0 " + size + " -> 1\n");
  }
}

TEST_F(MeasureNumberRegionTest, ANewRegionIsLoadedWithZerosAndCanBeCreated) {
  UseHostVersion(0x10000000);
  doc.Put(kRegionTag, 1, 0, PatternRecord(196, 0));
  QCMeasureNumberRegion region;
  EXPECT_EQ(region.LoadedSize(), 196u);
  EXPECT_EQ(region.ClassID(), 51);
  EXPECT_STREQ(region.ClassName(), "QCMeasureNumberRegion");
  ASSERT_TRUE(region.SaveNew());
  EXPECT_EQ(region.ItemCmper(), 2);
  EXPECT_EQ(*doc.Find(kRegionTag, 2, 0), Bytes(196, 0));
  EXPECT_EQ(doc.LogText(), "CreateEData SOMN 65535/65535 p0 196B v0F000200 -> 1\n");
}

TEST_F(MeasureNumberRegionTest, ACloneOwnsItsBytesAndItsEnclosuresReadThem) {
  UseHostVersion(0x11000000);
  doc.document_id = 4;
  doc.Put(kRegionTag, 3, 0, PatternRecord(350, 7));
  QCMeasureNumberRegion source;
  ASSERT_TRUE(source.Load(3));
  std::unique_ptr<__QCBaseData> copy_object = source.Clone();
  auto* copy = dynamic_cast<QCMeasureNumberRegion*>(copy_object.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->ItemCmper(), 3);
  EXPECT_EQ(copy->DocumentId(), 4);
  EXPECT_EQ(copy->LoadedSize(), 350u);

  // Change the source afterwards: the copy's enclosure 2 still reads the
  // copied bytes 88 to 99, from the copy's own storage.
  std::memset(source.DataBuffer(), 0xEE, 350);
  QCEnclosure* enclosure2 = copy->Enclosure(2);
  EXPECT_EQ(enclosure2->DataBuffer(), copy->DataBuffer() + 88);
  for (size_t i = 0; i < 12; ++i) EXPECT_EQ(enclosure2->DataBuffer()[i], 7 + 88 + i);

  // Writing through an enclosure writes the region's record.
  enclosure2->DataBuffer()[0] = 0x42;
  ASSERT_TRUE(copy->Save());
  EXPECT_EQ(doc.Find(kRegionTag, 3, 0)->at(88), 0x42);
  EXPECT_EQ(copy->Enclosure(0), nullptr);
  EXPECT_EQ(copy->Enclosure(5), nullptr);
}

TEST_F(MeasureNumberRegionTest, AShortRecordSavesShortButItsCopyIsFullSizeWithZeros) {
  UseHostVersion(0x11000000);
  Bytes first = PatternRecord(350, 1);
  Bytes second = PatternRecord(100, 9);
  doc.Put(kRegionTag, 1, 0, first);
  doc.Put(kRegionTag, 2, 0, second);

  QCMeasureNumberRegions regions;
  ASSERT_EQ(regions.LoadAll(), 2);
  QCMeasureNumberRegion* region = regions.RegionAt(1);
  ASSERT_NE(region, nullptr);
  EXPECT_EQ(region->ItemCmper(), 2);
  // The collection's copy holds the 100 bytes the host delivered, and zeros
  // after them, not the tail of the region that was loaded before it.
  Bytes expected = second;
  expected.resize(350, 0);
  EXPECT_EQ(Bytes(region->DataBuffer(), region->DataBuffer() + 350), expected);
  EXPECT_EQ(region->LoadedSize(), 350u);

  QCMeasureNumberRegion direct;
  ASSERT_TRUE(direct.Load(2));
  EXPECT_EQ(direct.LoadedSize(), 100u);
  doc.log.clear();
  ASSERT_TRUE(direct.Save());
  ASSERT_TRUE(region->SaveNew());
  EXPECT_EQ(doc.LogText(),
            "SaveEData SOMN 2/0 p0 100B v11000000 -> 1\n"
            "CreateEData SOMN 65535/65535 p0 350B v11000000 -> 1\n");
  EXPECT_EQ(*doc.Find(kRegionTag, 3, 0), expected);
}

TEST_F(MeasureNumberRegionTest, TheWalkBeginsAtCmperOne) {
  UseHostVersion(0x11000000);
  doc.Put(kRegionTag, 2, 0, PatternRecord(350, 0));
  doc.Put(kRegionTag, 5, 0, PatternRecord(350, 0));
  QCMeasureNumberRegions regions;
  EXPECT_EQ(regions.LoadAll(), 0);

  doc.Put(kRegionTag, 1, 0, PatternRecord(350, 0));
  ASSERT_EQ(regions.LoadAll(), 3);
  EXPECT_EQ(regions.RegionAt(0)->ItemCmper(), 1);
  EXPECT_EQ(regions.RegionAt(1)->ItemCmper(), 2);
  EXPECT_EQ(regions.RegionAt(2)->ItemCmper(), 5);
  EXPECT_EQ(regions.RegionAt(3), nullptr);
  EXPECT_STREQ(regions.ClassName(), "QCMeasureNumberRegions");
}

}  // namespace
