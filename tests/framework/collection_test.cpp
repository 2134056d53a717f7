// Collections: growth, ownership, walks with handlers, and loading and
// saving whole kinds of records through the stand-in host.
#include "framework/collection.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "framework/iterator_handler.h"
#include "tests/framework/test_records.h"
#include "tests/support/host_test.h"

namespace {

using standin::Bytes;
using testing_support::Words;

// Records what it was handed and answers false at a chosen call.
class Recorder : public QCIteratorHandler {
 public:
  explicit Recorder(int stop_at = -1) : stop_at_(stop_at) {}
  bool Iterate(QCBase* element) override {
    seen.push_back(element);
    return static_cast<int>(seen.size()) != stop_at_;
  }
  bool IterateIndexed(QCBase* element, int32_t position) override {
    positions.push_back(position);
    return Iterate(element);
  }
  bool Match(QCBase* element) override { return element == wanted; }
  std::vector<QCBase*> seen;
  std::vector<int32_t> positions;
  QCBase* wanted = nullptr;

 private:
  int stop_at_;
};

class Plain : public QCCollection {};

TEST(CollectionTest, GrowsInStepsChosenByTheCountAndKeepsTheArrayWhenCleared) {
  Plain collection;
  EXPECT_EQ(collection.Capacity(), 0);    // no room before the first element
  std::vector<std::pair<int, int>> seen;  // (count, capacity) after each growth
  int last_capacity = 0;
  for (int i = 0; i < 1101; ++i) {
    // Just past the last element, also when the array is full (at 10, 20, ...).
    ASSERT_EQ(collection.ItemAt(collection.Count()), nullptr) << collection.Count();
    collection.Append(std::make_unique<QCBase>());
    if (collection.Capacity() != last_capacity) {
      last_capacity = collection.Capacity();
      seen.emplace_back(collection.Count() - 1, last_capacity);
    }
  }
  // Count before the append, capacity after it.
  EXPECT_EQ(seen[0], std::make_pair(0, 10));
  EXPECT_EQ(seen[1], std::make_pair(10, 20));
  EXPECT_EQ(seen[10], std::make_pair(100, 110));
  EXPECT_EQ(seen[11], std::make_pair(110, 150));
  auto at = [&](int count) {
    for (auto [c, capacity] : seen)
      if (c == count) return capacity;
    return -1;
  };
  EXPECT_EQ(at(1000), 1050);
  EXPECT_EQ(at(1050), 1100);
  EXPECT_EQ(at(1100), 1200);
  collection.ClearAll();
  EXPECT_EQ(collection.Count(), 0);
  EXPECT_EQ(collection.Capacity(), 1200);  // the array is kept for reuse
  EXPECT_EQ(collection.ItemAt(0), nullptr);

  // Just past each threshold, and at the last, making room for several.
  struct Row {
    int count, extra, capacity;
  };
  for (Row row : {Row{1, 20, 30}, Row{101, 20, 150}, Row{1001, 100, 1200}, Row{10000, 1000, 11100},
                  Row{10001, 1000, 12000}}) {
    Plain grown;
    for (int i = 0; i < row.count; ++i) grown.Append(std::make_unique<QCBase>());
    QCBase* first = grown.ItemAt(0);
    grown.GrowFor(row.extra);
    EXPECT_EQ(grown.Capacity(), row.capacity) << row.count << " + " << row.extra;
    EXPECT_EQ(grown.ItemAt(0), first);
  }
}

TEST(CollectionTest, WalksSkipNullEntriesAndStopAtFalse) {
  Plain collection;
  std::vector<QCBase*> items;
  for (int i = 0; i < 5; ++i) {
    auto item = std::make_unique<QCBase>();
    items.push_back(item.get());
    collection.Append(std::move(item));
    if (i == 1) collection.Append(nullptr);
  }
  Recorder all;
  EXPECT_EQ(collection.ForEach(all), 5);
  EXPECT_EQ(all.seen, items);

  Recorder stop_third(3);
  EXPECT_EQ(collection.ForEach(stop_third), 2);
  EXPECT_EQ(stop_third.seen.size(), 3u);

  Recorder indexed;
  EXPECT_EQ(collection.ForEachIndexed(indexed), 5);
  EXPECT_EQ(indexed.positions, (std::vector<int32_t>{0, 1, 3, 4, 5}));

  Recorder finder;
  EXPECT_EQ(collection.FindFirst(finder), nullptr);
  finder.wanted = items[3];
  EXPECT_EQ(collection.FindFirst(finder), items[3]);
  finder.wanted = items[0];
  EXPECT_EQ(collection.FindFirst(finder), items[0]);
  EXPECT_EQ(collection.ItemAt(-1), nullptr);
  EXPECT_EQ(collection.ItemAt(6), nullptr);
  EXPECT_EQ(collection.ItemAt(INT32_MAX), nullptr);
}

TEST(CollectionTest, OwnsAndDeletesItsElements) {
  {
    Plain collection;
    for (int i = 0; i < 3; ++i) collection.Append(std::make_unique<TestRecord>());
    EXPECT_EQ(TestRecord::live, 3);
    collection.ClearAll();
    EXPECT_EQ(TestRecord::live, 0);
    collection.Append(std::make_unique<TestRecord>());
  }
  EXPECT_EQ(TestRecord::live, 0);
}

TEST(CollectionTest, ElementsAreTakenOutAndPutBackOnlyWithinItsPositions) {
  Plain collection;
  for (int i = 0; i < 3; ++i) collection.Append(std::make_unique<TestRecord>());
  QCBase* second = collection.ItemAt(1);

  // Out of range nothing is taken, and an element put there is deleted.
  for (int32_t outside : {-1, 3, 4}) {
    SCOPED_TRACE(outside);
    EXPECT_EQ(collection.TakeAt(outside), nullptr);
    if (outside != 3) collection.PutAt(outside, std::make_unique<TestRecord>());
    EXPECT_EQ(collection.Count(), 3);
    EXPECT_EQ(TestRecord::live, 3);
  }

  // Taken out, the element is the caller's and its position holds null; put
  // at a position, the element there is deleted; at Count(), appended.
  std::unique_ptr<QCBase> taken = collection.TakeAt(1);
  EXPECT_EQ(taken.get(), second);
  EXPECT_EQ(collection.ItemAt(1), nullptr);
  EXPECT_EQ(collection.Count(), 3);
  collection.PutAt(1, std::move(taken));
  EXPECT_EQ(collection.ItemAt(1), second);
  collection.PutAt(1, std::make_unique<TestRecord>());
  EXPECT_EQ(TestRecord::live, 3);
  collection.PutAt(3, std::make_unique<TestRecord>());
  EXPECT_EQ(collection.Count(), 4);
  EXPECT_EQ(TestRecord::live, 4);

  // Truncated, the elements past the count are deleted; a larger or
  // negative count leaves what it can.
  collection.TruncateTo(9);
  EXPECT_EQ(collection.Count(), 4);
  collection.TruncateTo(2);
  EXPECT_EQ(collection.Count(), 2);
  EXPECT_EQ(TestRecord::live, 2);
  EXPECT_EQ(collection.ItemAt(2), nullptr);
  collection.TruncateTo(-1);
  EXPECT_EQ(collection.Count(), 0);
  EXPECT_EQ(TestRecord::live, 0);

  // At both ends of an array with no spare position: the first element is
  // taken, and one past the last is outside (read there, it would be past
  // the block).
  Plain full;
  for (int i = 0; i < 10; ++i) full.Append(std::make_unique<TestRecord>());
  ASSERT_EQ(full.Capacity(), full.Count());
  QCBase* first = full.ItemAt(0);
  EXPECT_EQ(full.TakeAt(0).get(), first);
  EXPECT_EQ(full.ItemAt(0), nullptr);
  EXPECT_EQ(full.TakeAt(10), nullptr);
  EXPECT_EQ(full.Count(), 10);
}

class CollectionDataTest : public testing_support::HostTest {};

TEST_F(CollectionDataTest, LoadAllClonesEveryRecordInTheHostsOrder) {
  doc.Put(kTestTag, 3, 0, Words({3}));
  doc.Put(kTestTag, 2, 0, Words({2}));
  TestRecords records;
  EXPECT_EQ(records.LoadAll(), 0);  // nothing without record 1
  doc.Put(kTestTag, 1, 0, Words({1}));
  records.SetElementTagOverride(0x41424344);
  ASSERT_EQ(records.LoadAll(), 3);
  for (int32_t i = 0; i < 3; ++i) {
    auto* record = static_cast<TestRecord*>(records.ItemAt(i));
    EXPECT_EQ(record->Cmper(), i + 1);
    EXPECT_EQ(record->bytes[0], i + 1);
    EXPECT_EQ(record->TagOverride(), 0x41424344u);
  }
  EXPECT_EQ(TestRecord::live, 3);   // the probe is gone
  EXPECT_EQ(records.LoadAll(), 3);  // reloading replaces, never adds
  EXPECT_EQ(TestRecord::live, 3);
}

TEST_F(CollectionDataTest, LoadAllEndsWhenTheHostsNextStepDoesNotMove) {
  doc.Put(kTestTag, 1, 0, Words({1}));
  doc.Put(kTestTag, 2, 0, Words({2}));
  doc.next_does_not_advance = true;
  TestRecords records;
  EXPECT_EQ(records.LoadAll(), 1);
  EXPECT_FALSE(records.Complete());

  // Also when the walk stalls on a later record than the first.
  doc.Put(kTestTag, 3, 0, Words({3}));
  doc.next_does_not_advance = false;
  doc.refuse = [this](const standin::ServiceCall& call) {
    if (call.service == "QX_NextEData" && call.cmper == 2) doc.next_does_not_advance = true;
    return false;
  };
  const int32_t count = records.LoadAll();
  EXPECT_GE(count, 2);
  EXPECT_LE(count, 4);
  EXPECT_FALSE(records.Complete());
}

TEST_F(CollectionDataTest, LoadAllEndsWhenTheHostsWalkComesRound) {
  for (uint16_t c = 1; c <= 5; ++c) doc.Put(kTestTag, c, 0, Words({c}));
  doc.next_wraps_around = true;  // after record 5 the host names record 1 again
  TestRecords records;
  const int32_t count = records.LoadAll();
  EXPECT_GE(count, 5);
  EXPECT_LE(count, 15);
  EXPECT_FALSE(records.Complete());

  doc.next_wraps_around = false;
  EXPECT_EQ(records.LoadAll(), 5);
  EXPECT_TRUE(records.Complete());
}

TEST_F(CollectionDataTest, AListWithARecordThatDidNotLoadIsNotComplete) {
  for (uint16_t c = 1; c <= 3; ++c) doc.Put(kTestTag, c, 0, Words({c}));
  doc.refuse = [](const standin::ServiceCall& call) {
    return call.service == "QX_LoadEData" && call.cmper == 2;
  };
  TestRecords records;
  EXPECT_EQ(records.LoadAll(), 1);
  EXPECT_FALSE(records.Complete());

  // Nor is one whose last record the host delivers without bytes; one byte
  // is a record.
  doc.refuse = nullptr;
  for (const auto& [last, complete] : {std::pair{Bytes{}, false}, std::pair{Bytes{7}, true}}) {
    doc.Put(kTestTag, 4, 0, last);
    EXPECT_EQ(records.LoadAll(), 4);
    EXPECT_EQ(records.Complete(), complete);
  }
}

TEST_F(CollectionDataTest, SaveAllStopsAtTheFirstRefusal) {
  for (uint16_t c = 1; c <= 3; ++c) doc.Put(kTestTag, c, 0, Words({c}));
  TestRecords records;
  ASSERT_EQ(records.LoadAll(), 3);
  EXPECT_TRUE(records.SaveAll());
  doc.log.clear();
  for (int32_t i = 0; i < 3; ++i) static_cast<TestRecord*>(records.ItemAt(i))->bytes[1] = 0x77;
  doc.refuse = [](const standin::ServiceCall& call) {
    return call.service == "QX_SaveEData" && call.cmper == 2;
  };
  EXPECT_FALSE(records.SaveAll());
  EXPECT_EQ((*doc.Find(kTestTag, 1, 0))[1], 0x77);
  EXPECT_EQ((*doc.Find(kTestTag, 3, 0))[1], 0);
  EXPECT_EQ(doc.CountCalls("QX_SaveEData"), 2u);
}

TEST_F(CollectionDataTest, IncidencesAreDeletedHighestFirst) {
  for (uint16_t i = 0; i < 3; ++i) doc.Put(kTestIncidenceTag, 5, i, Bytes{1, 2, 3, 4});
  TestIncidences incidences;
  ASSERT_TRUE(incidences.DeleteAllForCmper(5));
  EXPECT_EQ(doc.LogText("QX_DeleteEData"),
            "DeleteEData TeIn 5/2 p0 v19000000 -> 1\n"
            "DeleteEData TeIn 5/1 p0 v19000000 -> 1\n"
            "DeleteEData TeIn 5/0 p0 v19000000 -> 1\n");
  EXPECT_TRUE(doc.records().empty());
  // Entries past gaps in the numbers, even without incidence 0, are part of
  // the list; the next cmper's are not.
  for (uint16_t i : {uint16_t{1}, uint16_t{4}, uint16_t{9}})
    doc.Put(kTestIncidenceTag, 5, i, Bytes{1, 2, 3, 4});
  doc.Put(kTestIncidenceTag, 6, 0, Bytes{1, 2, 3, 4});
  doc.log.clear();
  EXPECT_TRUE(incidences.DeleteAllForCmper(5));
  EXPECT_EQ(doc.LogText("QX_DeleteEData"),
            "DeleteEData TeIn 5/9 p0 v19000000 -> 1\n"
            "DeleteEData TeIn 5/4 p0 v19000000 -> 1\n"
            "DeleteEData TeIn 5/1 p0 v19000000 -> 1\n");
  EXPECT_EQ(doc.records().size(), 1u);
}

TEST_F(CollectionDataTest, AListIsReadWholeThroughGapsOrNotAtAll) {
  for (uint16_t i : {uint16_t{0}, uint16_t{2}, uint16_t{3}, uint16_t{7}})
    doc.Put(kTestIncidenceTag, 5, i, Bytes{static_cast<uint8_t>(i), 0});
  doc.Put(kTestIncidenceTag, 6, 0, Bytes{9, 0});
  TestIncidences incidences;
  auto firsts = [&] {
    std::vector<int> bytes;
    for (int32_t i = 0; i < incidences.Count(); ++i)
      bytes.push_back(RecordCast<QCBaseData>(incidences.ItemAt(i))->RecordBytes()[0]);
    return bytes;
  };
  ASSERT_EQ(incidences.LoadAllForCmper(5), 4);
  EXPECT_TRUE(incidences.LoadedWhole());
  EXPECT_EQ(firsts(), (std::vector<int>{0, 2, 3, 7}));
  doc.Erase(kTestIncidenceTag, 5, 0);
  ASSERT_EQ(incidences.LoadAllForCmper(5), 3);
  EXPECT_TRUE(incidences.LoadedWhole());

  // One refused call anywhere, the load of an entry or the next-record
  // step, is made good by a second look.
  for (size_t call = 0;; ++call) {
    size_t calls = 0;
    doc.refuse = [&](const standin::ServiceCall&) { return calls++ == call; };
    incidences.LoadAllForCmper(5);
    doc.refuse = nullptr;
    if (calls <= call) break;
    EXPECT_TRUE(incidences.LoadedWhole()) << "call " << call;
    EXPECT_EQ(firsts(), (std::vector<int>{2, 3, 7})) << "call " << call;
  }
  // Where the host names an entry and twice does not deliver it, or its
  // step stands still, the list is not whole, and nothing of it is deleted.
  doc.refuse = [](const standin::ServiceCall& call) {
    return call.service == "QX_LoadEData" && call.inci == 3;
  };
  incidences.LoadAllForCmper(5);
  EXPECT_FALSE(incidences.LoadedWhole());
  EXPECT_FALSE(incidences.DeleteAllForCmper(5));
  doc.refuse = nullptr;
  doc.next_does_not_advance = true;
  incidences.LoadAllForCmper(5);
  EXPECT_FALSE(incidences.LoadedWhole());
  EXPECT_FALSE(incidences.DeleteAllForCmper(5));
  EXPECT_EQ(doc.CountCalls("QX_DeleteEData"), 0u);
  EXPECT_EQ(doc.records().size(), 4u);
}

TEST_F(CollectionDataTest, AFailedDeleteLeavesTheLowerIncidences) {
  for (uint16_t i = 0; i < 3; ++i) doc.Put(kTestIncidenceTag, 5, i, Bytes{1, 2, 3, 4});
  doc.refuse = [](const standin::ServiceCall& call) {
    return call.service == "QX_DeleteEData" && call.inci == 1;
  };
  TestIncidences incidences;
  EXPECT_FALSE(incidences.DeleteAllForCmper(5));
  EXPECT_EQ(doc.Find(kTestIncidenceTag, 5, 2), nullptr);
  EXPECT_NE(doc.Find(kTestIncidenceTag, 5, 1), nullptr);
  EXPECT_NE(doc.Find(kTestIncidenceTag, 5, 0), nullptr);
  EXPECT_FALSE(incidences.SaveAllForCmper(5));  // nothing is written over them
  EXPECT_EQ(doc.CountCalls("QX_CreateEData"), 0u);

  // Every incidence is found before the first delete: when one the host
  // names is not delivered, nothing is deleted or appended.
  doc = standin::HostDocument();
  for (uint16_t i = 0; i < 4; ++i) doc.Put(kTestIncidenceTag, 5, i, Bytes{7, 0, 0, 0});
  doc.refuse = [&](const standin::ServiceCall& call) {
    return call.service == "QX_LoadEData" && call.inci == 2;
  };
  doc.Put(kTestIncidenceTag, 6, 0, Bytes{1, 0, 0, 0});
  ASSERT_EQ(incidences.LoadAllForCmper(6), 1);
  EXPECT_FALSE(incidences.SaveAllForCmper(5));
  EXPECT_EQ(doc.CountCalls("QX_CreateEData"), 0u);
  EXPECT_EQ(doc.CountCalls("QX_DeleteEData"), 0u);
  for (uint16_t i = 0; i < 4; ++i)
    EXPECT_EQ(*doc.Find(kTestIncidenceTag, 5, i), (Bytes{7, 0, 0, 0}));
}

TEST_F(CollectionDataTest, IncidenceListsMoveFromOneCmperToAnother) {
  doc.Put(kTestIncidenceTag, 2, 0, Bytes{1, 0, 0, 0});
  doc.Put(kTestIncidenceTag, 2, 1, Bytes{2, 0, 0, 0});
  for (uint16_t i = 0; i < 3; ++i) doc.Put(kTestIncidenceTag, 3, i, Bytes{9, 0, 0, 0});
  TestIncidences incidences;
  ASSERT_EQ(incidences.LoadAllForCmper(2), 2);
  ASSERT_EQ(incidences.LoadAllForCmper(2), 2);  // a reload replaces, never adds
  ASSERT_TRUE(incidences.SaveAllForCmper(3));
  EXPECT_EQ(*doc.Find(kTestIncidenceTag, 3, 0), (Bytes{1, 0, 0, 0}));
  EXPECT_EQ(*doc.Find(kTestIncidenceTag, 3, 1), (Bytes{2, 0, 0, 0}));
  EXPECT_EQ(doc.Find(kTestIncidenceTag, 3, 2), nullptr);
  EXPECT_NE(doc.Find(kTestIncidenceTag, 2, 1), nullptr);  // the source stays

  // An incidence found without bytes ends the reading: the list is not whole.
  doc.Put(kTestIncidenceTag, 7, 0, Bytes{1, 0, 0, 0});
  doc.Put(kTestIncidenceTag, 7, 1, Bytes{});
  doc.Put(kTestIncidenceTag, 7, 2, Bytes{3, 0, 0, 0});
  EXPECT_EQ(incidences.LoadAllForCmper(7), 1);
  EXPECT_FALSE(incidences.LoadedWhole());

  // A refused append stops the writing there, and says so.
  doc.refuse = [](const standin::ServiceCall& call) { return call.service == "QX_CreateEData"; };
  EXPECT_FALSE(incidences.SaveAllForCmper(4));
  EXPECT_EQ(doc.Find(kTestIncidenceTag, 4, 0), nullptr);
  doc.refuse = nullptr;

  TestIncidences empty;
  ASSERT_TRUE(empty.SaveAllForCmper(2));
  EXPECT_EQ(doc.Find(kTestIncidenceTag, 2, 0), nullptr);
  EXPECT_EQ(doc.Find(kTestIncidenceTag, 2, 1), nullptr);

  // Under a tag override every load, delete and create names that tag.
  constexpr uint32_t kOtherTag = 0x4F746865;
  doc.Put(kOtherTag, 2, 0, Bytes{5, 0, 0, 0});
  doc.Put(kOtherTag, 4, 0, Bytes{9, 0, 0, 0});
  TestIncidences others;
  others.SetElementTagOverride(kOtherTag);
  ASSERT_EQ(others.LoadAllForCmper(2), 1);
  ASSERT_TRUE(others.SaveAllForCmper(4));
  EXPECT_EQ(*doc.Find(kOtherTag, 4, 0), (Bytes{5, 0, 0, 0}));
  EXPECT_EQ(doc.Find(kOtherTag, 4, 1), nullptr);
}

TEST_F(CollectionDataTest, IncidenceLoopsEndEvenIfTheHostAnswersEveryLoad) {
  doc.Put(kTestIncidenceTag, 1, 0, Bytes{1, 0, 0, 0});
  doc.logging = false;
  // Every load of any incidence answers with the record at (1, 0).
  auto& records = doc.mutable_records();
  for (uint32_t i = 1; i < 0x10000; ++i)
    records[doc.KeyFor(kTestIncidenceTag, 1, static_cast<uint16_t>(i), std::nullopt)] =
        Bytes{1, 0, 0, 0};
  TestIncidences incidences;
  EXPECT_EQ(incidences.LoadAllForCmper(1), 0xFFFF);
  // Deleting stops there too: 0xFFFF is the placeholder, not an incidence.
  EXPECT_TRUE(incidences.DeleteAllForCmper(1));
  EXPECT_EQ(doc.records().size(), 1u);
}

}  // namespace
