// The preference translation: which setting records the 'pfmm' layout is
// assembled from, which ones a scatter writes back, and what a host that
// lacks a setting record, or a buffer too small for a table, leads to.
#include "host/legacy_prefs.h"

#include <gtest/gtest.h>

#include "tests/support/host_test.h"

namespace {

using standin::Bytes;
using standin::MakeTag;
using testing_support::Words;

constexpr uint32_t kOt25 = MakeTag("ot25");
constexpr uint32_t kOt83 = MakeTag("ot83");
constexpr uint16_t kPrefsCmper = 0xFFFE;

class LegacyPrefsTest : public testing_support::HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    ASSERT_TRUE(host::FindPrefsTable(host::kMultiMeasureRestPrefsTag, 1, &table, &count));
  }

  // The three setting records of 'pfmm', with recognisable words.
  void PutSettings() {
    doc.Put(kOt25, kPrefsCmper, 0, Words({1, 2, 3, 4, 5, 6}));
    doc.Put(kOt25, kPrefsCmper, 1, Words({11, 12, 13, 14, 15, 16}));
    doc.Put(kOt83, kPrefsCmper, 0, Words({21, 22, 23, 24, 25, 26}));
  }

  Bytes Assemble() {
    Bytes layout(26, 0xAA);
    uint64_t size = 0;
    EXPECT_TRUE(host::AssembleLegacyPrefs(layout.data(), layout.size(), &size, table, count));
    EXPECT_EQ(size, 26u);
    return layout;
  }

  host::PrefsDescriptor* table = nullptr;
  int32_t count = 0;
};

TEST_F(LegacyPrefsTest, OnlyTheMultiMeasureRestPrefsHaveATable) {
  EXPECT_EQ(count, 13);
  host::PrefsDescriptor* other = nullptr;
  int32_t other_count = 0;
  ASSERT_TRUE(host::FindPrefsTable(host::kMultiMeasureRestPrefsTag, 7, &other, &other_count));
  EXPECT_EQ(other, table);
  EXPECT_FALSE(host::FindPrefsTable(MakeTag("pfxx"), 1, &other, &other_count));
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(other_count, 0);
}

TEST_F(LegacyPrefsTest, AssemblingLoadsEachSettingRecordOnceInTableOrder) {
  UseHostVersion(0x0A000000);  // setting records always carry the interface version
  PutSettings();
  EXPECT_EQ(Assemble(), Words({1, 2, 3, 4, 5, 6, 11, 12, 13, 14, 15, 16, 25}));
  EXPECT_EQ(doc.LogText(),
            "LoadEData ot25 65534/0 p0 12B v19000000 -> 1\n"
            "LoadEData ot25 65534/1 p0 12B v19000000 -> 1\n"
            "LoadEData ot83 65534/0 p0 12B v19000000 -> 1\n");
}

TEST_F(LegacyPrefsTest, ASettingRecordTheHostLacksReadsAsZeros) {
  PutSettings();
  doc.Erase(kOt25, kPrefsCmper, 1);
  doc.Put(kOt83, kPrefsCmper, 0, Words({21, 22}));  // delivered short: no word 4
  EXPECT_EQ(Assemble(), Words({1, 2, 3, 4, 5, 6, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(LegacyPrefsTest, ScatteringWritesOnlyTheRecordsWhoseWordsChanged) {
  PutSettings();
  Bytes layout = Assemble();

  doc.log.clear();
  EXPECT_TRUE(host::ScatterLegacyPrefs(layout.data(), layout.size(), table, count));
  EXPECT_EQ(doc.CountCalls("QX_LoadEData"), 3u);
  EXPECT_EQ(doc.CountCalls("QX_SaveEData"), 0u);

  layout[24] = 0x01;
  layout[25] = 0x01;
  doc.log.clear();
  EXPECT_TRUE(host::ScatterLegacyPrefs(layout.data(), layout.size(), table, count));
  EXPECT_EQ(doc.LogText("QX_SaveEData"), "SaveEData ot83 65534/0 p0 12B v19000000 -> 1\n");
  EXPECT_EQ(*doc.Find(kOt83, kPrefsCmper, 0), Words({21, 22, 23, 24, 0x101, 26}));

  layout[0] = 0x40;
  layout[12] = 0x50;
  doc.log.clear();
  EXPECT_TRUE(host::ScatterLegacyPrefs(layout.data(), layout.size(), table, count));
  EXPECT_EQ(doc.LogText("QX_SaveEData"),
            "SaveEData ot25 65534/0 p0 12B v19000000 -> 1\n"
            "SaveEData ot25 65534/1 p0 12B v19000000 -> 1\n");
  EXPECT_EQ(*doc.Find(kOt25, kPrefsCmper, 0), Words({0x40, 2, 3, 4, 5, 6}));
  EXPECT_EQ(*doc.Find(kOt25, kPrefsCmper, 1), Words({0x50, 12, 13, 14, 15, 16}));
}

TEST_F(LegacyPrefsTest, ScatteringIntoAMissingRecordWritesZerosBesideTheField) {
  PutSettings();
  doc.Erase(kOt83, kPrefsCmper, 0);
  Bytes layout = Words({1, 2, 3, 4, 5, 6, 11, 12, 13, 14, 15, 16, 9});
  EXPECT_TRUE(host::ScatterLegacyPrefs(layout.data(), layout.size(), table, count));
  EXPECT_EQ(*doc.Find(kOt83, kPrefsCmper, 0), Words({0, 0, 0, 0, 9, 0}));
}

TEST_F(LegacyPrefsTest, AShortOrMissingBufferIsRefusedWithoutAHostCall) {
  PutSettings();
  Bytes layout = Words({1, 2, 3, 4, 5, 6, 11, 12, 13, 14, 15, 16, 25});
  EXPECT_FALSE(host::ScatterLegacyPrefs(layout.data(), 25, table, count));
  EXPECT_FALSE(host::ScatterLegacyPrefs(nullptr, 26, table, count));

  // Assembling never writes past the room it is given.
  Bytes small(25, 0xAA);
  uint64_t size = 99;
  EXPECT_FALSE(host::AssembleLegacyPrefs(small.data(), small.size(), &size, table, count));
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(small, Bytes(25, 0xAA));
  EXPECT_TRUE(doc.log.empty());
}

TEST_F(LegacyPrefsTest, AnyTableIsReadAsItsEntriesSay) {
  doc.Put(MakeTag("otAb"), 7, 3, Words({100, 101, 102, 103, 104, 105}));
  doc.Put(MakeTag("otCd"), kPrefsCmper, 0, Words({200, 201, 202, 203, 204, 205}));
  // Two fields of one record apart in the table, one entry for newer hosts.
  host::PrefsDescriptor entries[] = {
      {0, {'A', 'b'}, 7, 3, 4, 5, 2, host::kCopyWord, 0},
      {0, {'C', 'd'}, 0, 0, 0, 1, 2, host::kCopyWord, 0},
      {0, {'A', 'b'}, 7, 3, 2, 0, 2, host::kCopyWord, 0},
      {0, {'E', 'f'}, 0, 0, 6, 0, 2, host::kCopyWord, 0x1A000000},
  };
  Bytes layout(8, 0xAA);
  uint64_t size = 0;
  ASSERT_TRUE(host::AssembleLegacyPrefs(layout.data(), layout.size(), &size, entries, 4));
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(layout, (Bytes{201, 0, 100, 0, 105, 0, 0xAA, 0xAA}));
  EXPECT_EQ(doc.LogText(),
            "LoadEData otAb 7/3 p0 12B v19000000 -> 1\n"
            "LoadEData otCd 65534/0 p0 12B v19000000 -> 1\n");

  // A field past the room refuses the whole table, even when it is the last.
  entries[3].min_host_version = 0;
  entries[3].legacy_offset = 7;
  doc.log.clear();
  EXPECT_FALSE(host::AssembleLegacyPrefs(layout.data(), layout.size(), &size, entries, 4));
  EXPECT_FALSE(host::ScatterLegacyPrefs(layout.data(), layout.size(), entries, 4));
  EXPECT_TRUE(doc.log.empty());
}

}  // namespace
