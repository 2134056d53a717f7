// The indent fixer in one part: which systems the span takes in, what each
// gets, and the systems it must leave alone.
#include "operations/part_indent_fixer.h"

#include <gtest/gtest.h>

#include "tests/support/staff_systems.h"

namespace {

using namespace testing_support;

constexpr uint16_t kMark1 = 0x0800;  // measureFlags1 mark of a piece start
constexpr uint16_t kMark2 = 0x8000;  // measureFlags2 mark of a piece start

class PartIndentFixerTest : public HostTest {
 protected:
  void Fix(int16_t start, int16_t end) {
    QCPartIndentFixer fixer(start, end);
    EXPECT_TRUE(fixer.Iterate(nullptr));
  }
};

TEST_F(PartIndentFixerTest, SystemsBeginningInTheSpanGetThePieceIndentOrNone) {
  PutSystems(doc, 0, {{1, 4, 30}, {4, 5, 15}, {5, 7, 15}, {7, 9}, {9, 11, 15}, {11, 13, 15}});
  for (int measure : {7, 11})
    PutMeasure(doc, doc.host_version, static_cast<uint16_t>(measure), kMark1, kMark2);
  // Half marked, either half: no piece start.
  PutMeasure(doc, doc.host_version, 5, 0, kMark2);
  PutMeasure(doc, doc.host_version, 9, kMark1, 0);
  Fix(5, 9);
  EXPECT_EQ(SystemsText(doc, 0), "1:1-4/30 2:4-5/15 3:5-7/0 4:7-9/30 5:9-11/0 6:11-13/15");
  EXPECT_EQ(doc.layout_updates, 1);
  EXPECT_EQ(doc.log.front().service, "QX_UpdateLayout");
}

TEST_F(PartIndentFixerTest, FirstSystemIsNeverWritten) {
  PutSystems(doc, 0, {{1, 4, 30}, {4, 8, 15}});
  PutMeasure(doc, doc.host_version, 1, kMark1, kMark2);
  Fix(-100, 100);
  EXPECT_EQ(SystemsText(doc, 0), "1:1-4/30 2:4-8/0");
  EXPECT_EQ(doc.LogText("QX_SaveEData"), "SaveEData SOSS 2/0 p0 28B v19000000 -> 1\n");

  doc = standin::HostDocument();
  PutSystems(doc, 0, {{1, 4, 30}});
  Fix(-100, 100);
  EXPECT_EQ(doc.CountCalls("QX_SaveEData"), 0u);
  EXPECT_EQ(doc.layout_updates, 1);

  doc = standin::HostDocument();  // a part without systems: the walk goes on
  Fix(-100, 100);
}

TEST_F(PartIndentFixerTest, SystemRecordTooShortToPlaceIsLeftAlone) {
  PutSystems(doc, 0, {{1, 4, 30}});
  doc.Put(kStaffSystemTag, 2, 0, Words({0, 15, 0}));  // no first measure: reads as 0
  Fix(0, 10);
  EXPECT_EQ(doc.CountCalls("QX_SaveEData"), 0u);
}

}  // namespace
