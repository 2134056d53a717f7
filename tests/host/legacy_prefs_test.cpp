// The preference translation: which setting records the 'pfmm' layout is
// assembled from, which ones a scatter writes back, and what a host that
// lacks a setting record, a bad table or a buffer too small for it leads to.
#include "host/legacy_prefs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/host_version.h"
#include "tests/support/host_records.h"
#include "tests/support/host_test.h"
#include "tests/support/stand_in_lookup.h"

namespace {

// A host one major version past the newest the module knows.
constexpr uint32_t kNewerHost = host::kInterfaceVersion + 0x01000000;

using standin::Bytes;
using standin::MakeTag;
using testing_support::kRestSettingsTag;
using testing_support::kSplitGateSettingTag;
using testing_support::Words;

constexpr uint16_t kPrefsCmper = 0xFFFE;

// The stand-in's LoadEData, counting address blocks whose four bytes after
// cmper and inci are not zero.
int g_dirty_addresses = 0;
int16_t CheckedLoad(uint32_t tag, void* address, void* buffer, int32_t* size, uint32_t version) {
  const auto* bytes = static_cast<const uint8_t*>(address);
  if ((bytes[4] | bytes[5] | bytes[6] | bytes[7]) != 0) ++g_dirty_addresses;
  using Load = int16_t (*)(uint32_t, void*, void*, int32_t*, uint32_t);
  auto load = reinterpret_cast<Load>(standin::FindService("QX_LoadEData"));
  return load(tag, address, buffer, size, version);
}
host::ServiceAddress FindCheckedService(host::ModuleHandle, const char* name) {
  return std::string(name) == "QX_LoadEData" ? reinterpret_cast<host::ServiceAddress>(&CheckedLoad)
                                             : standin::FindService(name);
}
// Leaves garbage where the next calls keep their locals.
[[gnu::noinline]] void DirtyTheStack() {
  volatile uint8_t junk[4096];
  for (auto& byte : junk) byte = 0xA5;
}

// A field of 'ot25' inci 0 at cmper -2.
host::PrefsDescriptor Field(int16_t offset, int16_t word, int16_t width = 2, uint32_t from = 0,
                            uint8_t handled = 0) {
  return {handled, {'2', '5'}, 0, 0, offset, word, width, host::kCopyWord, from};
}

class LegacyPrefsTest : public testing_support::HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    ASSERT_TRUE(host::FindPrefsTable(MakeTag("pfmm"), 1, &table, &count));
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
  host::InstallPlatformLookup({testing_support::StandInLookup().find_module, &FindCheckedService});
  DirtyTheStack();
  EXPECT_EQ(Assemble(), Words({1, 2, 3, 4, 5, 6, 11, 12, 13, 14, 15, 16, 25}));
  EXPECT_EQ(g_dirty_addresses, 0);
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

// Each row's table is assembled into and scattered from an 8-byte layout
// (or `length` bytes): a bad table or argument is refused with no host call,
// nothing written and a size of 0.
TEST_F(LegacyPrefsTest, BadTablesAndArgumentsAreRefusedWithoutAHostCall) {
  using Entries = std::vector<host::PrefsDescriptor>;
  struct Case {
    const char* what;
    Entries entries;
    int32_t count;
    uint64_t length;
    bool refused;
    uint64_t size;
  };
  const Case cases[] = {
      {"a field past the room, first", {Field(7, 1), Field(0, 0)}, 2, 8, true, 0},
      {"a negative word index", {Field(0, -1)}, 1, 8, true, 0},
      {"a word past the setting record", {Field(0, 6)}, 1, 8, true, 0},
      {"a negative offset", {Field(-1, 0)}, 1, 8, true, 0},
      {"a layout too short for the whole table", {Field(0, 0), Field(0, 1)}, 2, 3, true, 0},
      {"a negative count, whatever the length", {Field(0, 0)}, -1, ~uint64_t{0}, true, 0},
      {"no table but a count", {}, 1, 8, true, 0},
      {"no table and no entries", {}, 0, 8, false, 0},
      {"a field for a newer host", {Field(0, 0), Field(6, 0, 1, kNewerHost)}, 2, 8, false, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Entries entries = c.entries;
    host::PrefsDescriptor* given = entries.empty() ? nullptr : entries.data();
    Bytes layout(8, 0xAA);
    uint64_t size = 99;
    EXPECT_EQ(host::AssembleLegacyPrefs(layout.data(), c.length, &size, given, c.count),
              !c.refused);
    EXPECT_EQ(size, c.size);
    EXPECT_EQ(host::ScatterLegacyPrefs(layout.data(), c.length, given, c.count), !c.refused);
    const bool untouched = c.refused || c.count == 0;
    EXPECT_EQ(layout == Bytes(8, 0xAA), untouched);
    EXPECT_EQ(doc.log.empty(), untouched) << doc.LogText();
    doc.log.clear();
  }
  uint64_t size = 99;
  EXPECT_FALSE(host::AssembleLegacyPrefs(nullptr, 26, &size, table, count));
  EXPECT_EQ(size, 0u);
  EXPECT_FALSE(host::ScatterLegacyPrefs(nullptr, 26, table, count));
  EXPECT_TRUE(doc.log.empty());
}

// A table passed as a part of a longer array: only its own entries are read
// or marked, and an entry for a newer host is neither read nor written,
// though it shares its setting record with one that is.
TEST_F(LegacyPrefsTest, OnlyTheTablesOwnEligibleEntriesAreTouched) {
  for (const uint8_t mark : {uint8_t{0}, uint8_t{1}}) {
    SCOPED_TRACE(mark);
    host::PrefsDescriptor entries[] = {Field(0, 2, 2, 0, mark), Field(0, 0), Field(2, 1),
                                       Field(4, 3, 2, kNewerHost), Field(0, 4, 2, 0, mark)};
    Bytes layout(6, 0xAA);
    uint64_t size = 0;
    ASSERT_TRUE(host::AssembleLegacyPrefs(layout.data(), 6, &size, entries + 1, 3));
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(layout, (Bytes{1, 0, 2, 0, 0xAA, 0xAA}));
    layout = Words({7, 2, 9});
    EXPECT_TRUE(host::ScatterLegacyPrefs(layout.data(), 6, entries + 1, 3));
    EXPECT_EQ(*doc.Find(kRestSettingsTag, kPrefsCmper, 0), Words({7, 2, 3, 4, 5, 6}));
    EXPECT_EQ(doc.LogText(),
              "LoadEData ot25 65534/0 p0 12B v19000000 -> 1\n"
              "LoadEData ot25 65534/0 p0 12B v19000000 -> 1\n"
              "SaveEData ot25 65534/0 p0 12B v19000000 -> 1\n");
    EXPECT_EQ(entries[0].handled, mark);
    EXPECT_EQ(entries[4].handled, mark);
    doc.Put(kRestSettingsTag, kPrefsCmper, 0, Words({1, 2, 3, 4, 5, 6}));
    doc.log.clear();
  }
}

}  // namespace
