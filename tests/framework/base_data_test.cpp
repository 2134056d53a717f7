// Record transport: loading, saving, creating, deleting and walking records
// through a record object, with the host's answers and its faults.
#include "framework/base_data.h"

#include <gtest/gtest.h>

#include "tests/framework/test_records.h"
#include "tests/support/host_test.h"

namespace {

using standin::Bytes;
using testing_support::Words;

class BaseDataTest : public testing_support::HostTest {};

TEST_F(BaseDataTest, LoadsTheRecordAndRemembersTheDocumentAndAFailedLoadLeavesItUnsaveable) {
  doc.document_id = 12;
  doc.Put(kTestTag, 3, 0, Words({1, 2, 3, 4}));
  TestRecord record;
  ASSERT_TRUE(record.Load(3));
  EXPECT_EQ(record.LoadedSize(), 8u);
  EXPECT_EQ(record.bytes[2], 2);
  EXPECT_EQ(record.DocumentId(), 12);
  EXPECT_EQ(record.RecordBytes(), record.bytes);
  EXPECT_EQ(doc.LogText("QX_LoadEData"), "LoadEData TeSt 3/0 p0 8B v19000000 -> 1\n");

  // A failed load, or none, leaves the object unsaveable.
  EXPECT_FALSE(record.Load(4));
  EXPECT_EQ(record.LoadedSize(), 0u);
  EXPECT_EQ(record.Cmper(), 4);  // the address of the failed attempt stays
  EXPECT_FALSE(record.Save());
  EXPECT_FALSE(record.Reload());
  EXPECT_FALSE(record.SaveNew());
  TestIncidence incidence;
  EXPECT_FALSE(incidence.Load(3, 1));
  EXPECT_FALSE(incidence.SaveAs(3));
  EXPECT_FALSE(incidence.Reload());
  // A record never loaded refuses too, though its address moves.
  TestRecord fresh;
  EXPECT_FALSE(fresh.SaveAs(7));
  EXPECT_EQ(fresh.Cmper(), 7);
  EXPECT_EQ(fresh.Inci(), 0);
  EXPECT_EQ(doc.CountCalls("QX_SaveEData") + doc.CountCalls("QX_CreateEData"), 0u);
  EXPECT_EQ(doc.CountCalls("QX_LoadEData"), 3u);  // none for the refused reloads
}

TEST_F(BaseDataTest, AShortRecordIsSavedBackWithItsOwnLengthAndReloadedAtInciZero) {
  doc.Put(kTestTag, 2, 0, Bytes{1, 2, 3});
  TestRecord record;
  ASSERT_TRUE(record.Load(2));
  EXPECT_EQ(record.LoadedSize(), 3u);
  record.SetAddress(2, 3);  // a record without incidences reloads incidence 0
  ASSERT_TRUE(record.Reload());
  EXPECT_EQ(record.Inci(), 0);
  record.bytes[0] = 9;
  ASSERT_TRUE(record.SaveAs(5));
  EXPECT_EQ(*doc.Find(kTestTag, 5, 0), (Bytes{9, 2, 3}));
}

TEST_F(BaseDataTest, HostCountsBeyondTheRoomAreClampedAndNegativeOnesFail) {
  doc.Put(kTestTag, 1, 0, Words({1, 2, 3, 4}));
  TestRecord record;
  doc.reported_load_size = 4000;
  ASSERT_TRUE(record.Load(1));
  EXPECT_EQ(record.LoadedSize(), 8u);
  ASSERT_TRUE(record.Save());
  EXPECT_EQ(doc.Find(kTestTag, 1, 0)->size(), 8u);  // never more than the record

  doc.reported_load_size = -1;
  EXPECT_FALSE(record.Load(1));
  EXPECT_EQ(record.LoadedSize(), 0u);
  EXPECT_FALSE(record.Save());

  doc.reported_load_size = 0;  // found, but empty: loaded, with nothing to save
  EXPECT_TRUE(record.Load(1));
  EXPECT_EQ(record.LoadedSize(), 0u);
}

TEST_F(BaseDataTest, SaveNewKeepsTheAddressTheHostAssigned) {
  doc.Put(kTestTag, 1, 0, Words({1, 0, 0, 0}));
  doc.Put(kTestTag, 6, 0, Words({6, 0, 0, 0}));
  TestRecord record;
  ASSERT_TRUE(record.Load(1));
  ASSERT_TRUE(record.SaveNew());
  EXPECT_EQ(record.Cmper(), 7);
  EXPECT_EQ(doc.LogText("QX_CreateEData"), "CreateEData TeSt 65535/65535 p0 8B v19000000 -> 1\n");
  EXPECT_NE(doc.Find(kTestTag, 7, 0), nullptr);
}

TEST_F(BaseDataTest, DeleteIsNotGuardedByTheLoadedState) {
  doc.Put(kTestTag, 0, 0, Words({1}));
  TestRecord record;
  EXPECT_TRUE(record.DeleteData());
  EXPECT_TRUE(doc.records().empty());
  EXPECT_FALSE(record.DeepDeleteData());
}

TEST_F(BaseDataTest, FirstRecordOfAKindIsCmperOneAndIncidencesHaveNone) {
  doc.Put(kTestTag, 2, 0, Words({2}));
  TestRecord record;
  EXPECT_FALSE(record.LoadFirst());
  TestIncidence incidence;
  doc.log.clear();
  EXPECT_FALSE(incidence.LoadFirst());
  EXPECT_TRUE(doc.log.empty());
}

TEST_F(BaseDataTest, ACloneCarriesAddressTagOverrideDocumentAndBytes) {
  doc.document_id = 5;
  doc.Put(kTestTag, 3, 0, Words({0x0102, 0x0304, 0, 0}));
  TestRecord record;
  ASSERT_TRUE(record.Load(3));
  record.SetTagOverride(0x41424344);
  std::unique_ptr<QCBaseData> clone = record.Clone();
  EXPECT_EQ(clone->Cmper(), 3);
  EXPECT_EQ(clone->TagOverride(), 0x41424344u);
  EXPECT_EQ(clone->DocumentId(), 5);
  EXPECT_EQ(clone->LoadedSize(), 8u);
  record.bytes[0] = 0xEE;  // the clone has bytes of its own
  EXPECT_EQ(clone->RecordBytes()[0], 0x02);
}

TEST_F(BaseDataTest, DefaultCopyIsAHeapBlockThatLaterLoadsCanFill) {
  doc.Put(kTestTag, 1, 0, Bytes{1, 2});
  doc.Put(kTestTag, 2, 0, Words({1, 2, 3, 4}));
  HeapCopyRecord source, copy, unloaded;
  ASSERT_TRUE(source.Load(2));
  copy.CopyDataFrom(source);
  ASSERT_TRUE(source.Load(1));
  copy.CopyDataFrom(source);  // replaces the first block, which is freed
  EXPECT_FALSE(unloaded.Load(3));
  copy.CopyDataFrom(unloaded);  // nothing to copy: the copy stays as it was
  EXPECT_EQ(copy.LoadedSize(), 2u);
  EXPECT_NE(copy.RecordBytes(), copy.bytes);
  ASSERT_TRUE(copy.SaveAs(9));
  EXPECT_EQ(*doc.Find(kTestTag, 9, 0), (Bytes{1, 2}));
  // A load into the copied block is offered the full record size; the block
  // must hold it (the sanitizer build would report an overflow).
  ASSERT_TRUE(copy.Load(2));
  EXPECT_EQ(copy.LoadedSize(), 8u);
  EXPECT_EQ(copy.RecordBytes()[6], 4);
  EXPECT_NE(copy.RecordBytes(), copy.bytes);
  // Storage inside the object takes over from the block, which is freed (a
  // leak fails the sanitizer builds).
  copy.TestRecord::CopyDataFrom(source);
  EXPECT_EQ(copy.RecordBytes(), copy.bytes);
}

TEST_F(BaseDataTest, MissingRecordServicesMakeEveryOperationFail) {
  doc.Put(kTestTag, 1, 0, Words({1}));
  doc.missing_services = {"QX_LoadEData", "QX_SaveEData", "QX_CreateEData", "QX_DeleteEData",
                          "QX_NextEData"};
  TestRecord record;
  EXPECT_FALSE(record.Load(1));
  TestIncidence incidence;  // saveable from construction
  EXPECT_FALSE(incidence.SaveAs(1));
  EXPECT_FALSE(record.DeleteData());
  EXPECT_FALSE(record.LoadNext());
  EXPECT_TRUE(doc.log.empty());
}

TEST_F(BaseDataTest, IncidenceSaveAsAppendsAndNeverOverwrites) {
  doc.Put(kTestIncidenceTag, 4, 0, Bytes{1, 1, 1, 1});
  TestIncidence incidence;
  incidence.bytes[0] = 2;
  ASSERT_TRUE(incidence.SaveAs(4));
  EXPECT_EQ(incidence.Inci(), 1);
  EXPECT_EQ((*doc.Find(kTestIncidenceTag, 4, 0))[0], 1);
  EXPECT_EQ((*doc.Find(kTestIncidenceTag, 4, 1))[0], 2);
}

}  // namespace
