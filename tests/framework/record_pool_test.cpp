#include "framework/record_pool.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/framework/test_records.h"

namespace {

TEST(RecordPoolTest, ADestroyedRecordsBlockServesTheNextRecordOfItsSize) {
  auto* first = new TestRecord();
  void* block = first;
  delete first;
  auto second = std::make_unique<TestRecord>();
  if (RecordPool::Enabled()) {
    EXPECT_EQ(static_cast<void*>(second.get()), block);
  } else {
    GTEST_SKIP() << "the pool passes requests through under AddressSanitizer";
  }
}

TEST(RecordPoolTest, ReleaseEmptiesTheFreeListsAndLargeBlocksBypassThem) {
  void* small = RecordPool::Allocate(40);
  RecordPool::Free(small, 40);
  RecordPool::Release();
  void* again = RecordPool::Allocate(40);
  void* other = RecordPool::Allocate(48);  // 40 and 48 bytes share the 48-byte list
  EXPECT_NE(again, other);
  RecordPool::Free(again, 40);
  RecordPool::Free(other, 48);
  if (RecordPool::Enabled()) {
    // Blocks of one list come back last in, first out.
    void* last_freed = RecordPool::Allocate(33);
    void* first_freed = RecordPool::Allocate(48);
    EXPECT_EQ(last_freed, other);
    EXPECT_EQ(first_freed, again);
    RecordPool::Free(last_freed, 33);
    RecordPool::Free(first_freed, 48);
  }
  void* large = RecordPool::Allocate(RecordPool::kLargestPooled + 1);
  RecordPool::Free(large, RecordPool::kLargestPooled + 1);
  RecordPool::Release();
}

}  // namespace
