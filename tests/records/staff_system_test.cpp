// Staff systems, their collection and frozen systems: fields at their
// offsets, part scoping, short records, and the default frozen record.
#include "records/staff_system.h"

#include <gtest/gtest.h>

#include "records/freeze_system.h"
#include "records/staff_systems.h"
#include "tests/support/staff_systems.h"

namespace {

using namespace testing_support;

class StaffSystemTest : public HostTest {};

TEST_F(StaffSystemTest, FieldsRoundTripAndTheRestIsCarried) {
  doc.Put(kSystemTag, 2, 0, SystemRecord({5, 9, 12, 0x4001}));
  QCStaffSystem system;
  ASSERT_TRUE(system.Load(2));
  EXPECT_EQ(system.FirstMeasure(), 5);
  EXPECT_EQ(system.EndMeasure(), 9);
  EXPECT_EQ(system.Indent(), 12);
  EXPECT_EQ(system.SystemFlags(), 0x4001);
  system.SetFirstMeasure(-3);
  system.SetEndMeasure(300);
  system.SetIndent(-7);
  ASSERT_TRUE(system.SaveAs(6));
  EXPECT_EQ(*doc.Find(kSystemTag, 6, 0), SystemRecord({-3, 300, -7, 0x4001}));
}

TEST_F(StaffSystemTest, CollectionListsTheCurrentPartsSystems) {
  doc.parts = {0, 3};
  PutSystems(doc, 0, {{1, 5}, {5, 9}});
  PutSystems(doc, 3, {{1, 4}, {4, 7}, {7, 9}});
  doc.current_part = 3;
  QCStaffSystems systems;
  ASSERT_EQ(systems.LoadAll(), 3);
  EXPECT_EQ(systems.SystemAt(2)->ItemCmper(), 3);
  EXPECT_EQ(systems.SystemAt(2)->FirstMeasure(), 7);
  EXPECT_EQ(systems.SystemAt(3), nullptr);
}

TEST_F(StaffSystemTest, ShortRecordKeepsItsSizeAndNoBytesOfItsNeighbour) {
  PutSystems(doc, 0, {{1, 5, 30}});
  doc.Put(kSystemTag, 2, 0, Words({1, 2, 3, 4, 5}));  // 10 bytes: no end measure
  QCStaffSystems systems;
  ASSERT_EQ(systems.LoadAll(), 2);
  QCStaffSystem* short_one = systems.SystemAt(1);
  EXPECT_EQ(short_one->LoadedSize(), 10u);
  EXPECT_FALSE(short_one->HasAllFields());
  EXPECT_TRUE(systems.SystemAt(0)->HasAllFields());
  EXPECT_EQ(short_one->EndMeasure(), 0);
  ASSERT_TRUE(short_one->Save());
  EXPECT_EQ(*doc.Find(kSystemTag, 2, 0), Words({1, 2, 3, 4, 5}));
}

TEST_F(StaffSystemTest, FreshFrozenSystemWritesTheDefaultRecord) {
  QCFreezeSystem freeze;
  freeze.SetEndMeasure(17);
  ASSERT_TRUE(freeze.SaveAs(9));
  EXPECT_EQ(*doc.Find(kFreezeTag, 9, 0), Words({17, 1, 0, 0, 0, 0}));

  QCFreezeSystem missing;
  EXPECT_FALSE(missing.Load(4));
  EXPECT_FALSE(missing.Save());
  EXPECT_EQ(doc.CountCalls("QX_SaveEData"), 1u);
}

}  // namespace
