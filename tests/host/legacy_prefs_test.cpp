// The preference translation: which setting records the 'pfmm' layout is
// assembled from, which ones a scatter writes back, and what a host that
// lacks a setting record, or a buffer too small for a table, leads to.
#include "host/legacy_prefs.h"

#include <gtest/gtest.h>

#include "tests/support/host_records.h"
#include "tests/support/host_test.h"

namespace {

using standin::Bytes;
using standin::MakeTag;
using testing_support::kRestSettingsTag;
using testing_support::kSplitGateSettingTag;
using testing_support::Words;

constexpr uint16_t kPrefsCmper = 0xFFFE;

class LegacyPrefsTest : public testing_support::HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    ASSERT_TRUE(host::FindPrefsTable(host::kMultiMeasureRestPrefsTag, 1, &table, &count));
    doc.Put(kRestSettingsTag, kPrefsCmper, 0, Words({1, 2, 3, 4, 5, 6}));
    doc.Put(kRestSettingsTag, kPrefsCmper, 1, Words({11, 12, 13, 14, 15, 16}));
    doc.Put(kSplitGateSettingTag, kPrefsCmper, 0, Words({21, 22, 23, 24, 25, 26}));
  }

  Bytes Assemble() {
    Bytes layout(26, 0xAA);
    uint64_t size = 0;
    EXPECT_TRUE(host::AssembleLegacyPrefs(layout.data(), layout.size(), &size, table, count));
    EXPECT_EQ(size, 26u);
    return layout;
  }

  bool Scatter(const Bytes& layout) {
    doc.log.clear();
    return host::ScatterLegacyPrefs(layout.data(), layout.size(), table, count);
  }

  host::PrefsDescriptor* table = nullptr;
  int32_t count = 0;
};

TEST_F(LegacyPrefsTest, AssemblingLoadsEachSettingRecordOnceInTableOrder) {
  UseHostVersion(0x0A000000);  // setting records always carry the interface version
  EXPECT_EQ(Assemble(), Words({1, 2, 3, 4, 5, 6, 11, 12, 13, 14, 15, 16, 25}));
  EXPECT_EQ(doc.LogText(),
            "LoadEData ot25 65534/0 p0 12B v19000000 -> 1\n"
            "LoadEData ot25 65534/1 p0 12B v19000000 -> 1\n"
            "LoadEData ot83 65534/0 p0 12B v19000000 -> 1\n");

  host::PrefsDescriptor* other = nullptr;
  EXPECT_FALSE(host::FindPrefsTable(MakeTag("pfxx"), 1, &other, &count));
  EXPECT_EQ(count, 0);
}

TEST_F(LegacyPrefsTest, ASettingRecordTheHostLacksReadsAsZeros) {
  doc.Erase(kRestSettingsTag, kPrefsCmper, 1);
  doc.Put(kSplitGateSettingTag, kPrefsCmper, 0, Words({21, 22}));  // delivered short: no word 4
  EXPECT_EQ(Assemble(), Words({1, 2, 3, 4, 5, 6, 0, 0, 0, 0, 0, 0, 0}));

  // Written back, a missing record gets zeros beside the changed field.
  doc.Erase(kSplitGateSettingTag, kPrefsCmper, 0);
  EXPECT_TRUE(Scatter(Words({1, 2, 3, 4, 5, 6, 0, 0, 0, 0, 0, 0, 9})));
  EXPECT_EQ(*doc.Find(kSplitGateSettingTag, kPrefsCmper, 0), Words({0, 0, 0, 0, 9, 0}));
}

TEST_F(LegacyPrefsTest, ScatteringWritesOnlyTheRecordsWhoseWordsChanged) {
  Bytes layout = Assemble();
  EXPECT_TRUE(Scatter(layout));
  EXPECT_EQ(doc.CountCalls("QX_LoadEData"), 3u);
  EXPECT_EQ(doc.CountCalls("QX_SaveEData"), 0u);

  layout[24] = 0x01;
  layout[25] = 0x01;
  EXPECT_TRUE(Scatter(layout));
  EXPECT_EQ(doc.LogText("QX_SaveEData"), "SaveEData ot83 65534/0 p0 12B v19000000 -> 1\n");
  EXPECT_EQ(*doc.Find(kSplitGateSettingTag, kPrefsCmper, 0), Words({21, 22, 23, 24, 0x101, 26}));

  layout[0] = 0x40;
  layout[12] = 0x50;
  EXPECT_TRUE(Scatter(layout));
  EXPECT_EQ(doc.LogText("QX_SaveEData"),
            "SaveEData ot25 65534/0 p0 12B v19000000 -> 1\n"
            "SaveEData ot25 65534/1 p0 12B v19000000 -> 1\n");
  EXPECT_EQ(*doc.Find(kRestSettingsTag, kPrefsCmper, 0), Words({0x40, 2, 3, 4, 5, 6}));
  EXPECT_EQ(*doc.Find(kRestSettingsTag, kPrefsCmper, 1), Words({0x50, 12, 13, 14, 15, 16}));
}

TEST_F(LegacyPrefsTest, ABufferTooShortForTheTableIsRefusedWithoutAHostCall) {
  const Bytes layout = Words({1, 2, 3, 4, 5, 6, 11, 12, 13, 14, 15, 16, 25});
  EXPECT_FALSE(host::ScatterLegacyPrefs(layout.data(), 25, table, count));
  EXPECT_FALSE(host::ScatterLegacyPrefs(nullptr, 26, table, count));

  // Assembling never writes past the room it is given.
  Bytes small(25, 0xAA);
  uint64_t size = 99;
  EXPECT_FALSE(host::AssembleLegacyPrefs(small.data(), small.size(), &size, table, count));
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(small, Bytes(25, 0xAA));

  // Nor does a table with one field past the room, and with it nothing is
  // read or written, though the layout as a whole would fit.
  host::PrefsDescriptor entries[] = {
      {0, {'2', '5'}, 0, 0, 0, 0, 2, host::kCopyWord, 0},
      {0, {'2', '5'}, 0, 0, 7, 1, 2, host::kCopyWord, 0},
  };
  Bytes room(8, 0xAA);
  EXPECT_FALSE(host::AssembleLegacyPrefs(room.data(), 8, &size, entries, 2));
  EXPECT_FALSE(host::ScatterLegacyPrefs(room.data(), 8, entries, 2));
  EXPECT_EQ(room, Bytes(8, 0xAA));
  EXPECT_TRUE(doc.log.empty());
}

}  // namespace
