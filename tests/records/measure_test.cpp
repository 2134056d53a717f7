// The measure record in both host layouts: which bytes the flag words are,
// what goes back to the host, and what a copy holds.
#include "records/measure.h"

#include <gtest/gtest.h>

#include "tests/support/staff_systems.h"

namespace {

using testing_support::kMeasureTag;
using testing_support::Word;

class MeasureTest : public testing_support::HostTest {};

TEST_F(MeasureTest, FlagWordsAndSavedBytesFollowTheHostVersion) {
  struct Case {
    uint32_t host_version;
    size_t size;
    size_t flags1_at;
    const char* save_line;
  };
  for (const Case& c : {Case{0x11FFFFFF, 26, 8, "SaveEData SOMS 7/0 p0 26B v0A000000 -> 1\n"},
                        Case{0x12000000, 30, 12, "SaveEData SOMS 7/0 p0 30B v12000000 -> 1\n"}}) {
    SCOPED_TRACE(c.host_version);
    UseHostVersion(c.host_version);
    standin::Bytes record(c.size);
    for (size_t i = 0; i < c.size; ++i) record[i] = static_cast<uint8_t>(0x40 + i);
    doc.Put(kMeasureTag, 7, 0, record);

    QCMeasure measure;
    ASSERT_TRUE(measure.Load(7));
    EXPECT_EQ(measure.MeasureFlags1(), static_cast<uint16_t>(Word(record, c.flags1_at)));
    EXPECT_EQ(measure.MeasureFlags2(), static_cast<uint16_t>(Word(record, c.flags1_at + 2)));
    measure.SetMeasureFlags1(0x8001);
    measure.SetMeasureFlags2(0x0420);
    doc.log.clear();
    ASSERT_TRUE(measure.Save());
    EXPECT_EQ(doc.LogText("QX_SaveEData"), c.save_line);

    standin::Bytes expected = record;
    expected[c.flags1_at] = 0x01;
    expected[c.flags1_at + 1] = 0x80;
    expected[c.flags1_at + 2] = 0x20;
    expected[c.flags1_at + 3] = 0x04;
    EXPECT_EQ(*doc.Find(kMeasureTag, 7, 0), expected);
  }
}

TEST_F(MeasureTest, MeasureZeroIsNeverAskedFor) {
  doc.Put(kMeasureTag, 0, 0, standin::Bytes(30, 1));
  QCMeasure measure;
  EXPECT_FALSE(measure.Load(0));
  EXPECT_EQ(measure.LoadedSize(), 0u);
  EXPECT_TRUE(doc.log.empty());
  EXPECT_FALSE(measure.Save());
}

TEST_F(MeasureTest, ShortRecordGoesBackWithTheDeliveredCount) {
  UseHostVersion(0x10000000);
  doc.Put(kMeasureTag, 3, 0, standin::Bytes(12, 0));
  QCMeasure measure;
  ASSERT_TRUE(measure.Load(3));
  measure.SetMeasureFlags2(0x8000);
  ASSERT_TRUE(measure.Save());
  EXPECT_EQ(*doc.Find(kMeasureTag, 3, 0), testing_support::Words({0, 0, 0, 0, 0, 0x8000}));
}

TEST_F(MeasureTest, ReloadAfterAVersionChangeFillsTheNewLayout) {
  UseHostVersion(0x11000000);
  doc.Put(kMeasureTag, 4, 0,
          testing_support::Words({0, 0, 0, 0, 0x0800, 0x8000, 0, 0, 0, 0, 0, 0, 0}));
  QCMeasure measure;
  ASSERT_TRUE(measure.Load(4));
  EXPECT_EQ(measure.MeasureFlags1(), 0x0800);

  UseHostVersion(0x12000000);
  doc.Put(kMeasureTag, 4, 0,
          testing_support::Words({0, 0, 0, 0, 0, 0, 0x0801, 0x8001, 0, 0, 0, 0, 0, 0, 0}));
  ASSERT_TRUE(measure.Reload());
  EXPECT_EQ(measure.LoadedSize(), 30u);
  EXPECT_EQ(measure.MeasureFlags1(), 0x0801);
  EXPECT_EQ(measure.MeasureFlags2(), 0x8001);
}

TEST_F(MeasureTest, CopyIsLoadedAtTheTargetsAddress) {
  doc.Put(kMeasureTag, 9, 0, standin::Bytes(30, 0x5A));
  QCMeasure source;
  ASSERT_TRUE(source.Load(9));
  std::unique_ptr<__QCBaseData> copy = source.CreateInstance();
  EXPECT_EQ(copy->LoadedSize(), 0u);
  copy->CopyDataFrom(source);
  EXPECT_EQ(copy->LoadedSize(), 30u);
  EXPECT_EQ(copy->Cmper(), 0);
  EXPECT_EQ(static_cast<QCMeasure*>(copy.get())->MeasureFlags2(), 0x5A5A);
}

}  // namespace
