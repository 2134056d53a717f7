// The multimeasure-rest preferences as the module sees them: one record
// assembled from the host's setting records, its splitGate word, and what a
// save writes back.
#include "records/multi_measure_rest_prefs.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/support/host_records.h"
#include "tests/support/host_test.h"

namespace {

using standin::Bytes;
using standin::MakeTag;
using testing_support::kRestSettingsTag;
using testing_support::kSplitGateSettingTag;
using testing_support::Words;

constexpr uint16_t kPrefsCmper = 0xFFFE;

class MultiMeasureRestPrefsTest : public testing_support::HostTest {
 protected:
  void PutSettings(uint16_t split_gate) {
    doc.Put(kRestSettingsTag, kPrefsCmper, 0, Words({1, 2, 3, 4, 5, 6}));
    doc.Put(kRestSettingsTag, kPrefsCmper, 1, Words({11, 12, 13, 14, 15, 16}));
    doc.Put(kSplitGateSettingTag, kPrefsCmper, 0, Words({21, 22, 23, 24, split_gate, 26}));
  }
};

TEST_F(MultiMeasureRestPrefsTest, SplitGateIsWordFourOfTheSplitSettingForAnyCmper) {
  for (uint16_t gate : {uint16_t{0}, uint16_t{1}, uint16_t{0xFFFF}, uint16_t{0x100}}) {
    SCOPED_TRACE(gate);
    PutSettings(gate);
    QCMultiMeasureRestPrefs first, seventh;
    ASSERT_TRUE(first.LoadFirst());
    EXPECT_EQ(first.Cmper(), 1);
    ASSERT_TRUE(seventh.Load(7));
    EXPECT_EQ(first.SplitGate(), gate);
    EXPECT_EQ(Bytes(seventh.DataBuffer(), seventh.DataBuffer() + 26),
              Words({1, 2, 3, 4, 5, 6, 11, 12, 13, 14, 15, 16, gate}));
    EXPECT_EQ(seventh.LoadedSize(), 26u);
    // Commands never clone it, but a clone holds the same.
    std::unique_ptr<QCBaseData> clone = seventh.Clone();
    EXPECT_EQ(clone->LoadedSize(), 26u);
    EXPECT_EQ(Bytes(clone->DataBuffer(), clone->DataBuffer() + 26),
              Bytes(seventh.DataBuffer(), seventh.DataBuffer() + 26));
  }
}

TEST_F(MultiMeasureRestPrefsTest, SaveWritesOnlyWhatChangedAndOnlyOnceLoaded) {
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
  EXPECT_EQ(*doc.Find(kSplitGateSettingTag, kPrefsCmper, 0), Words({21, 22, 23, 24, 1, 26}));
}

}  // namespace
