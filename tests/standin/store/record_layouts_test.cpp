// The host's own record layouts: which bytes a field is read from at each
// host version, how values are read, and that the gaps and fields of every
// layout account for each byte exactly once.
#include "standin/store/record_layouts.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace standin;

// A record of `size` bytes whose byte i is i, so a read tells its offset.
Bytes Numbered(size_t size) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i);
  return bytes;
}

// The offset a 16-bit field was read from, in a Numbered record.
int32_t OffsetRead(uint32_t tag, uint32_t version, const char* name) {
  const standin::RecordLayout* layout = RecordLayouts::Find(tag, version);
  EXPECT_NE(layout, nullptr);
  std::optional<int32_t> value = RecordLayouts::Read(Numbered(layout->size), tag, version, name);
  EXPECT_TRUE(value.has_value()) << name;
  return value.value_or(-1) & 0xFF;
}

TEST(RecordLayoutsTest, MeasureFlagsMoveByFourBytesFromHostVersion12) {
  EXPECT_EQ(RecordLayouts::Find(kMeasureTag, 0x11FFFFFF)->size, 26u);
  EXPECT_EQ(OffsetRead(kMeasureTag, 0x11FFFFFF, "measureFlags1"), 8);
  EXPECT_EQ(OffsetRead(kMeasureTag, 0x11FFFFFF, "measureFlags2"), 10);
  EXPECT_EQ(RecordLayouts::Find(kMeasureTag, 0x12000000)->size, 30u);
  EXPECT_EQ(OffsetRead(kMeasureTag, 0x12000000, "measureFlags1"), 12);
  EXPECT_EQ(OffsetRead(kMeasureTag, 0x12000000, "measureFlags2"), 14);
}

TEST(RecordLayoutsTest, RegionLayoutHasThreeRangesOfHostVersions) {
  struct Case {
    uint32_t version;
    size_t size;
    int first, end, cleared;
  };
  const Case cases[] = {{0x0EFFFFFF, 88, 6, 8, 16},
                        {0x0F000000, 196, 132, 134, 140},
                        {0x10FFFFFF, 196, 132, 134, 140},
                        {0x11000000, 350, 140, 142, 150},
                        {0x19000000, 350, 140, 142, 150}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    EXPECT_EQ(RecordLayouts::Find(kRegionTag, c.version)->size, c.size);
    EXPECT_EQ(OffsetRead(kRegionTag, c.version, "firstMeasure"), c.first & 0xFF);
    EXPECT_EQ(OffsetRead(kRegionTag, c.version, "endMeasure"), c.end & 0xFF);
    EXPECT_EQ(OffsetRead(kRegionTag, c.version, "clearedOnSplit"), c.cleared & 0xFF);
  }
}

TEST(RecordLayoutsTest, FieldsOfTheOtherRecords) {
  EXPECT_EQ(OffsetRead(kStaffSystemTag, 0, "indent"), 2);
  EXPECT_EQ(OffsetRead(kStaffSystemTag, 0, "firstMeasure"), 8);
  EXPECT_EQ(OffsetRead(kStaffSystemTag, 0, "systemFlags"), 10);
  EXPECT_EQ(OffsetRead(kStaffSystemTag, 0, "endMeasure"), 12);
  EXPECT_EQ(OffsetRead(kSystemStaffTag, 0, "staff"), 0);
  EXPECT_EQ(OffsetRead(kStaffDetailTag, 0, "detailValue"), 0);
  EXPECT_EQ(OffsetRead(kFrozenSystemTag, 0, "endMeasure"), 0);
  EXPECT_EQ(OffsetRead(kRestTag, 0, "endMeasure"), 2);
  Bytes setting = Numbered(12);
  EXPECT_EQ(RecordLayouts::Read(setting, kSplitGateSettingTag, 0, "words", kSplitGateWord), 0x0908);
  EXPECT_EQ(RecordLayouts::Find(kPartTag, 0)->size, 12u);
  EXPECT_TRUE(RecordLayouts::Find(kPartTag, 0)->fields.empty());
  EXPECT_EQ(RecordLayouts::Find(standin::MakeTag("pfmm"), 0), nullptr);
  EXPECT_FALSE(RecordLayouts::IsKnownTag(standin::MakeTag("XXXX")));
}

TEST(RecordLayoutsTest, SignedFieldsSignExtendAndShortRecordsHaveNoField) {
  Bytes system(28, 0);
  ASSERT_TRUE(RecordLayouts::Write(system, kStaffSystemTag, 0, "indent", -5));
  ASSERT_TRUE(RecordLayouts::Write(system, kStaffSystemTag, 0, "systemFlags", 0xC000));
  EXPECT_EQ(system[2], 0xFB);
  EXPECT_EQ(system[3], 0xFF);
  EXPECT_EQ(RecordLayouts::Read(system, kStaffSystemTag, 0, "indent"), -5);
  EXPECT_EQ(RecordLayouts::Read(system, kStaffSystemTag, 0, "systemFlags"), 0xC000);
  EXPECT_FALSE(RecordLayouts::Read(system, kStaffSystemTag, 0, "nothing").has_value());

  Bytes short_system(13, 0);
  EXPECT_TRUE(RecordLayouts::Read(short_system, kStaffSystemTag, 0, "systemFlags").has_value());
  EXPECT_FALSE(RecordLayouts::Read(short_system, kStaffSystemTag, 0, "endMeasure").has_value());
  EXPECT_FALSE(RecordLayouts::Write(short_system, kStaffSystemTag, 0, "endMeasure", 9));
  EXPECT_EQ(short_system, Bytes(13, 0));
}

TEST(RecordLayoutsTest, GapsAndFieldsCoverEveryByteOnce) {
  const uint32_t tags[] = {kMeasureTag,      kStaffSystemTag,  kSystemStaffTag,     kStaffDetailTag,
                           kFrozenSystemTag, kPartTag,         kRegionTag,          kEnclosureTag,
                           kRestTag,         kRestSettingsTag, kSplitGateSettingTag};
  for (uint32_t version : {0x0E000000u, 0x10000000u, 0x11000000u, 0x12000000u}) {
    for (uint32_t tag : tags) {
      const RecordLayout* layout = RecordLayouts::Find(tag, version);
      ASSERT_NE(layout, nullptr) << TagName(tag);
      std::vector<int> covered(layout->size, 0);
      for (const FieldLayout& field : layout->fields) {
        for (size_t i = 0; i < field.width(); ++i) ++covered.at(field.offset + i);
      }
      for (const Gap& gap : layout->Gaps()) {
        for (size_t i = 0; i < gap.size; ++i) ++covered.at(gap.offset + i);
      }
      EXPECT_EQ(covered, std::vector<int>(layout->size, 1)) << TagName(tag) << " " << version;
    }
  }
}

}  // namespace
