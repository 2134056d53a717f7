// Staff systems and frozen systems: short records, and the default frozen
// record. Field offsets and part scoping are seen through the splitter tests.
#include "records/staff_system.h"

#include <gtest/gtest.h>

#include "records/freeze_system.h"
#include "records/staff_systems.h"
#include "tests/support/staff_systems.h"

namespace {

using namespace testing_support;

class StaffSystemTest : public HostTest {};

TEST_F(StaffSystemTest, ShortRecordKeepsItsSizeAndNoBytesOfItsNeighbour) {
  PutSystems(doc, 0, {{1, 5, 30}});
  doc.Put(kStaffSystemTag, 2, 0, Words({1, 2, 3, 4, 5}));  // 10 bytes: no end measure
  QCStaffSystems systems;
  ASSERT_EQ(systems.LoadAll(), 2);
  EXPECT_TRUE(systems.SystemAt(0)->HasAllFields());
  QCStaffSystem* short_one = systems.SystemAt(1);
  EXPECT_FALSE(short_one->HasAllFields());
  EXPECT_EQ(short_one->EndMeasure(), 0);
  ASSERT_TRUE(short_one->Save());
  EXPECT_EQ(*doc.Find(kStaffSystemTag, 2, 0), Words({1, 2, 3, 4, 5}));
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

}  // namespace
