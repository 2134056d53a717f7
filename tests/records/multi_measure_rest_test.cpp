// Multimeasure rests of the current part: a new rest, the walk that starts
// after cmper 0, and the collection's copies. And their preferences as the
// module sees them: one record assembled from the host's setting records, its
// splitGate word, and what a save writes back.
#include "records/multi_measure_rest.h"

#include <gtest/gtest.h>

#include <memory>

#include "records/multi_measure_rest_prefs.h"
#include "records/multi_measure_rests.h"
#include "tests/support/host_records.h"
#include "tests/support/host_test.h"

namespace {

using standin::Bytes;
using testing_support::kRestSettingsTag;
using testing_support::kRestTag;
using testing_support::kSplitGateSettingTag;
using testing_support::Words;

class MultiMeasureRestTest : public testing_support::HostTest {};

TEST_F(MultiMeasureRestTest, ANewRestCanBeWrittenButNeverCreated) {
  QCMultiMeasureRest rest;
  EXPECT_EQ(rest.LoadedSize(), 24u);
  EXPECT_EQ(rest.EndMeasure(), 0);
  EXPECT_EQ(rest.ClassID(), 56);
  EXPECT_FALSE(rest.SaveNew());
  EXPECT_TRUE(doc.log.empty());

  rest.SetEndMeasure(9);
  ASSERT_TRUE(rest.SaveAs(4));
  EXPECT_EQ(*doc.Find(kRestTag, 4, 0), Words({300, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(doc.LogText(), "SaveEData 0x4F025849 4/0 p0 24B v19000000 -> 1\n");

  // A load where the part has no rest leaves the object unsaveable, until a
  // copy gives it a whole record again: all of the other's, loaded or not.
  EXPECT_FALSE(rest.Load(5));
  EXPECT_FALSE(rest.Save());
  QCMultiMeasureRest other;
  other.SetEndMeasure(12);
  EXPECT_FALSE(other.Load(6));
  rest.CopyDataFrom(other);
  EXPECT_EQ(rest.LoadedSize(), 24u);
  EXPECT_EQ(rest.EndMeasure(), 12);
}

TEST_F(MultiMeasureRestTest, TheWalkStartsAfterCmperZero) {
  doc.Put(kRestTag, 0, 0, Words({300, 4}), 0);
  doc.Put(kRestTag, 3, 0, Words({300, 6, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), 0);
  doc.Put(kRestTag, 7, 0, Words({300, 9}), 0);  // a short record
  doc.Put(kRestTag, 8, 0, Bytes{5}, 0);         // and a shorter one

  QCMultiMeasureRest first;
  ASSERT_TRUE(first.LoadFirst());
  EXPECT_EQ(first.FirstMeasure(), 3);
  EXPECT_EQ(first.EndMeasure(), 6);
  EXPECT_EQ(doc.LogText("QX_LoadEData") + doc.LogText("QX_NextEData"),
            "LoadEData 0x4F025849 0/0 p0 24B v19000000 -> 1\n"
            "LoadEData 0x4F025849 3/0 p0 24B v19000000 -> 1\n"
            "NextEData 0x4F025849 0/0 p0 v19000000 -> 1\n");

  QCMultiMeasureRests rests;
  ASSERT_EQ(rests.LoadAll(), 3);
  EXPECT_EQ(rests.RestAt(0)->FirstMeasure(), 3);
  EXPECT_EQ(rests.RestAt(1)->FirstMeasure(), 7);
  EXPECT_EQ(rests.RestAt(1)->EndMeasure(), 9);
  // The short rests keep the bytes the host delivered, with zeros after
  // them rather than the words of the rest loaded before them.
  for (const auto& [at, words] : {std::pair{1, Words({300, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})},
                                  std::pair{2, Words({5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})}}) {
    EXPECT_EQ(rests.RestAt(at)->LoadedSize(), at == 1 ? 4u : 1u);
    EXPECT_EQ(Bytes(rests.RestAt(at)->DataBuffer(), rests.RestAt(at)->DataBuffer() + 24), words);
  }
}

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
