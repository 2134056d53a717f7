// The multimeasure-rest preferences as the module sees them: one record
// assembled from the host's setting records, its splitGate word, and what a
// save writes back.
#include "records/multi_measure_rest_prefs.h"

#include <gtest/gtest.h>

#include "tests/support/host_test.h"

namespace {

using standin::Bytes;
using standin::MakeTag;
using testing_support::Words;

constexpr uint32_t kOt25 = MakeTag("ot25");
constexpr uint32_t kOt83 = MakeTag("ot83");
constexpr uint16_t kPrefsCmper = 0xFFFE;

class MultiMeasureRestPrefsTest : public testing_support::HostTest {
 protected:
  void PutSettings(uint16_t split_gate) {
    doc.Put(kOt25, kPrefsCmper, 0, Words({1, 2, 3, 4, 5, 6}));
    doc.Put(kOt25, kPrefsCmper, 1, Words({11, 12, 13, 14, 15, 16}));
    doc.Put(kOt83, kPrefsCmper, 0, Words({21, 22, 23, 24, split_gate, 26}));
  }
};

TEST_F(MultiMeasureRestPrefsTest, SplitGateIsWordFourOfTheSplitSetting) {
  for (uint16_t gate : {uint16_t{0}, uint16_t{1}, uint16_t{0xFFFF}, uint16_t{0x100}}) {
    SCOPED_TRACE(gate);
    PutSettings(gate);
    QCMultiMeasureRestPrefs prefs;
    ASSERT_TRUE(prefs.Load(1));
    EXPECT_EQ(prefs.SplitGate(), gate);
    EXPECT_EQ(Bytes(prefs.DataBuffer(), prefs.DataBuffer() + 26),
              Words({1, 2, 3, 4, 5, 6, 11, 12, 13, 14, 15, 16, gate}));
  }
}

TEST_F(MultiMeasureRestPrefsTest, EveryCmperGivesTheSameRecord) {
  PutSettings(7);
  QCMultiMeasureRestPrefs first, seventh;
  ASSERT_TRUE(first.Load(1));
  ASSERT_TRUE(seventh.Load(7));
  EXPECT_EQ(Bytes(first.DataBuffer(), first.DataBuffer() + 26),
            Bytes(seventh.DataBuffer(), seventh.DataBuffer() + 26));
  EXPECT_EQ(seventh.Cmper(), 7);
  EXPECT_EQ(seventh.LoadedSize(), 26u);
  // Loading reads setting records only, and does not ask for the document.
  EXPECT_EQ(doc.CountCalls("QX_LoadEData"), 6u);
  EXPECT_EQ(doc.log.size(), 6u);
}

TEST_F(MultiMeasureRestPrefsTest, WithoutTheSplitSettingTheGateReadsZero) {
  PutSettings(0);
  doc.Erase(kOt83, kPrefsCmper, 0);
  QCMultiMeasureRestPrefs prefs;
  EXPECT_TRUE(prefs.Load(1));
  EXPECT_EQ(prefs.SplitGate(), 0);
}

TEST_F(MultiMeasureRestPrefsTest, SaveWritesOnlyWhatChanged) {
  PutSettings(0);
  QCMultiMeasureRestPrefs prefs;
  EXPECT_FALSE(prefs.Save());
  EXPECT_FALSE(prefs.Reload());
  EXPECT_TRUE(doc.log.empty());

  ASSERT_TRUE(prefs.Load(1));
  EXPECT_TRUE(prefs.Save());
  EXPECT_EQ(doc.CountCalls("QX_SaveEData"), 0u);

  prefs.SetSplitGate(1);
  EXPECT_TRUE(prefs.Save());
  EXPECT_EQ(doc.LogText("QX_SaveEData"), "SaveEData ot83 65534/0 p0 12B v19000000 -> 1\n");
  EXPECT_EQ(*doc.Find(kOt83, kPrefsCmper, 0), Words({21, 22, 23, 24, 1, 26}));

  // Reload reads the host again.
  doc.Put(kOt83, kPrefsCmper, 0, Words({21, 22, 23, 24, 0, 26}));
  EXPECT_TRUE(prefs.Reload());
  EXPECT_EQ(prefs.SplitGate(), 0);
}

TEST_F(MultiMeasureRestPrefsTest, ACopyIsLoadedAndAFreshInstanceIsNot) {
  PutSettings(5);
  QCMultiMeasureRestPrefs prefs;
  ASSERT_TRUE(prefs.Load(1));
  std::unique_ptr<__QCBaseData> fresh = prefs.CreateInstance();
  EXPECT_EQ(fresh->LoadedSize(), 0u);
  EXPECT_EQ(fresh->RecordBytes(), nullptr);
  fresh->CopyDataFrom(prefs);
  EXPECT_EQ(fresh->LoadedSize(), 26u);
  EXPECT_EQ(static_cast<QCMultiMeasureRestPrefs*>(fresh.get())->SplitGate(), 5);
  EXPECT_EQ(fresh->ClassID(), 57);
}

}  // namespace
