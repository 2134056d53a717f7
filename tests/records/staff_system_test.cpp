// Staff systems and frozen systems: short records, and the default frozen
// record. Field offsets and part scoping are seen through the splitter tests.
// And the clones of the records that commands load one at a time.
#include "records/staff_system.h"

#include <gtest/gtest.h>

#include <memory>

#include "records/enclosure.h"
#include "records/freeze_system.h"
#include "records/part.h"
#include "records/staff_systems.h"
#include "tests/support/staff_systems.h"

namespace {

using namespace testing_support;

class StaffSystemTest : public HostTest {};

TEST_F(StaffSystemTest, ShortRecordKeepsItsSizeAndNoBytesOfItsNeighbour) {
  PutSystems(doc, 0, {{1, 5, 30}});
  doc.Put(kStaffSystemTag, 2, 0, Words({1, 2, 3, 4, 5}));             // 10 bytes: no end measure
  doc.Put(kStaffSystemTag, 3, 0, Words({1, 2, 3, 4, 5, 6, 0x0707}));  // just whole enough
  standin::Bytes thirteen = Words({1, 2, 3, 4, 5, 6, 0x0909});
  thirteen.pop_back();  // half an end measure
  doc.Put(kStaffSystemTag, 4, 0, thirteen);
  QCStaffSystems systems;
  ASSERT_EQ(systems.LoadAll(), 4);
  EXPECT_EQ(doc.log.front().size, 28);  // the room offered to a load
  for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(systems.SystemAt(i)->HasAllFields(), i % 2 == 0) << i;
  EXPECT_EQ(systems.SystemAt(1)->EndMeasure(), 0);
  EXPECT_EQ(systems.SystemAt(3)->EndMeasure(), 9);  // not 0x0709, the tail of system 3
  ASSERT_TRUE(systems.SystemAt(1)->Save());
  EXPECT_EQ(*doc.Find(kStaffSystemTag, 2, 0), Words({1, 2, 3, 4, 5}));

  // A new system is not loaded: it cannot be saved.
  doc.log.clear();
  EXPECT_FALSE(QCStaffSystem().Save());
  EXPECT_TRUE(doc.log.empty());
}

TEST_F(StaffSystemTest, FreshFrozenSystemWritesTheDefaultRecord) {
  QCFreezeSystem freeze;
  freeze.SetEndMeasure(17);
  ASSERT_TRUE(freeze.SaveAs(9));
  EXPECT_EQ(*doc.Find(kFrozenSystemTag, 9, 0), Words({17, 1, 0, 0, 0, 0}));

  QCFreezeSystem missing;
  EXPECT_FALSE(missing.Load(4));
  EXPECT_FALSE(missing.Save());
  EXPECT_EQ(doc.CountCalls("QX_SaveEData"), 1u);
}

// Commands load these records one at a time and never clone them; a clone
// must still hold what its source loaded and no more: its bytes, its loaded
// size, and zeros after them.
TEST_F(StaffSystemTest, AClonedRecordHoldsTheBytesAndTheSizeItsSourceLoaded) {
  const standin::Bytes twelve = Words({0x0102, 0x0304, 0x0506, 0x0708, 0x090A, 0x0B0C});
  doc.Put(kFrozenSystemTag, 3, 0, twelve);
  doc.Put(kFrozenSystemTag, 4, 0, standin::Bytes{0x77});
  doc.Put(kEnclosureTag, 5, 0, twelve);
  doc.Put(kPartTag, 6, 0, twelve);

  QCFreezeSystem freeze;  // the short record loaded over a whole one
  ASSERT_TRUE(freeze.Load(3) && freeze.Load(4));
  QCEnclosure enclosure;
  ASSERT_TRUE(enclosure.Load(5));
  QCPart part(6);
  ASSERT_TRUE(part.Load(6));

  for (const auto& [source, loaded] :
       {std::pair<QCBaseData*, standin::Bytes>{&freeze, standin::Bytes{0x77}},
        {&enclosure, twelve},
        {&part, twelve}}) {
    SCOPED_TRACE(source->ClassName());
    std::unique_ptr<QCBaseData> clone = source->Clone();
    ASSERT_EQ(clone->LoadedSize(), loaded.size());
    standin::Bytes record = loaded;
    record.resize(static_cast<size_t>(clone->DataSize()), 0);
    EXPECT_EQ(standin::Bytes(clone->DataBuffer(), clone->DataBuffer() + record.size()), record);
  }
}

}  // namespace
