// The measure record in both host layouts: which bytes the flag words are,
// what goes back to the host, and what a copy holds.
#include "records/measure.h"

#include <gtest/gtest.h>

#include <tuple>

#include "tests/support/staff_systems.h"

namespace {

using namespace testing_support;

class MeasureTest : public HostTest {};

TEST_F(MeasureTest, FlagWordsAndSavedBytesFollowTheHostVersion) {
  for (const auto& [version, size, at, saved] :
       {std::tuple{0x11FFFFFFu, 26u, 8u, "SaveEData SOMS 7/0 p0 26B v0A000000 -> 1\n"},
        std::tuple{0x12000000u, 30u, 12u, "SaveEData SOMS 7/0 p0 30B v12000000 -> 1\n"}}) {
    SCOPED_TRACE(version);
    UseHostVersion(version);
    standin::Bytes record(size);
    for (size_t i = 0; i < size; ++i) record[i] = static_cast<uint8_t>(0x40 + i);
    doc.Put(kMeasureTag, 7, 0, record);

    QCMeasure measure;
    ASSERT_TRUE(measure.Load(7));
    EXPECT_EQ(measure.MeasureFlags1(), static_cast<uint16_t>(Word(record, at)));
    EXPECT_EQ(measure.MeasureFlags2(), static_cast<uint16_t>(Word(record, at + 2)));
    measure.SetMeasureFlags1(0x8001);
    measure.SetMeasureFlags2(0x0420);
    doc.log.clear();
    ASSERT_TRUE(measure.Save());
    EXPECT_EQ(doc.LogText("QX_SaveEData"), saved);
    const standin::Bytes flags = Words({0x8001, 0x0420});
    std::copy(flags.begin(), flags.end(), record.begin() + at);
    EXPECT_EQ(*doc.Find(kMeasureTag, 7, 0), record);

    // A record too short for the flag words, loaded into the same object,
    // keeps none of the flags before.
    doc.Put(kMeasureTag, 8, 0, standin::Bytes(at, 0x11));
    ASSERT_TRUE(measure.Load(8));
    EXPECT_EQ(measure.MeasureFlags1(), 0);
    EXPECT_EQ(measure.MeasureFlags2(), 0);
  }
}

TEST_F(MeasureTest, AMeasureKeepsTheLayoutItWasMadeWithWhenTheVersionChanges) {
  UseHostVersion(0x11000000);
  PutMeasure(doc, 0x11000000, 4, 0x0800, 0x8000);
  QCMeasure measure;
  ASSERT_TRUE(measure.Load(4));

  UseHostVersion(0x12000000);
  doc.log.clear();
  ASSERT_TRUE(measure.Reload());
  EXPECT_EQ(measure.DataSize(), 26);
  EXPECT_EQ(measure.MeasureFlags1(), 0x0800);
  ASSERT_TRUE(measure.Save());
  EXPECT_EQ(doc.LogText("QX_LoadEData"), "LoadEData SOMS 4/0 p0 26B v0A000000 -> 1\n");
  EXPECT_EQ(doc.LogText("QX_SaveEData"), "SaveEData SOMS 4/0 p0 26B v0A000000 -> 1\n");

  // A copy into the long layout reads no further than the short store.
  QCMeasure wide;
  wide.CopyDataFrom(measure);
  EXPECT_EQ(wide.LoadedSize(), 30u);
  EXPECT_EQ(wide.Cmper(), 0);  // the address is not copied
  EXPECT_EQ(wide.DataBuffer()[25], measure.DataBuffer()[25]);
  EXPECT_EQ(wide.DataBuffer()[26], 0);
}

TEST_F(MeasureTest, MeasureZeroIsNeverAskedFor) {
  doc.Put(kMeasureTag, 0, 0, standin::Bytes(30, 1));
  QCMeasure measure;
  EXPECT_FALSE(measure.Load(0));
  EXPECT_TRUE(doc.log.empty());
  EXPECT_FALSE(measure.Save());
}

}  // namespace
