// Staff entries and their detail records. Whole lists moving between
// systems are seen through the splitter tests.
#include "records/system_staff.h"

#include <gtest/gtest.h>

#include "records/system_staves.h"
#include "tests/support/staff_systems.h"

namespace {

using namespace testing_support;

class SystemStaffTest : public HostTest {};

TEST_F(SystemStaffTest, DetailValueTravelsWithTheEntry) {
  PutStaff(doc, 0, 2, 0, 7, -5);
  QCSystemStaff entry;
  ASSERT_TRUE(entry.Load(2, 0));
  EXPECT_EQ(entry.DetailValue(), -5);
  ASSERT_TRUE(entry.SaveAs(4));
  EXPECT_EQ(*doc.Find(kStaffDetailTag, 4, 7), Words({0xFFFB, 0, 0, 0, 0}));
  EXPECT_EQ(StaffListsText(doc, 0), "2:[7=-5] 4:[7=-5]");

  // Back to 100: saving removes the detail record at the entry's address.
  entry.SetDetailValue(100);
  ASSERT_TRUE(entry.Save());
  EXPECT_EQ(StaffListsText(doc, 0), "2:[7=-5] 4:[7]");
}

TEST_F(SystemStaffTest, SystemZeroHasNoDetailRecords) {
  PutStaff(doc, 0, 0, 0, 7);
  doc.Put(kStaffDetailTag, 0, 7, Words({3, 0, 0, 0, 0}));
  QCSystemStaves list;
  EXPECT_EQ(list.LoadAll(), 0);
  ASSERT_EQ(list.LoadAllForCmper(0), 1);
  EXPECT_EQ(list.StaffAt(0)->DetailValue(), 100);
  EXPECT_EQ(doc.CountCalls("QX_LoadEData"), 2u);  // entries 0 and 1, no detail
}

}  // namespace
