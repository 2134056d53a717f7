// The Fix Indent command as the host runs it: menu index 1 through the
// module's entry point, on a document with several parts.
#include "plugin/fix_indent.h"

#include <gtest/gtest.h>

#include "plugin/extension_api.h"
#include "tests/support/staff_systems.h"

namespace {

using namespace testing_support;

class FixIndentTest : public HostTest {
 protected:
  // Parts 0 and 3, each with its own systems; measure 9 starts a piece.
  // Part 0 is current; the visits end in part 3.
  void TwoParts(uint32_t host_version) {
    doc = standin::HostDocument();
    UseHostVersion(host_version);
    PutParts(doc, {0, 3});
    PutSystems(doc, 0, {{1, 5, 40}, {5, 9, 12}, {9, 13, 12}, {13, 17, 12}});
    PutSystems(doc, 3, {{1, 9, 25}, {9, 11}, {11, 17, 8}});
    PutMeasure(doc, host_version, 9, 0x0800, 0x8000);
  }

  int32_t Invoke(int16_t start, int16_t end) {
    return QuilloExtensionInvoke(nullptr, 1, SelectMeasures(start, end).data());
  }
};

TEST_F(FixIndentTest, EachPartTakesItsOwnFirstIndentFromHostVersion10On) {
  for (uint32_t version : {0x10000000u, 0x12000000u}) {
    SCOPED_TRACE(version);
    TwoParts(version);
    EXPECT_EQ(Invoke(5, 11), 1);
    EXPECT_EQ(SystemsText(doc, 0), "1:1-5/40 2:5-9/0 3:9-13/40 4:13-17/12");
    EXPECT_EQ(SystemsText(doc, 3), "1:1-9/25 2:9-11/25 3:11-17/0");
    EXPECT_EQ(doc.layout_updates, 2);
    EXPECT_EQ(doc.current_part, 0);
  }
}

TEST_F(FixIndentTest, OlderHostsNeverSeeAPieceStart) {
  TwoParts(0x0FFFFFFF);
  EXPECT_EQ(Invoke(5, 11), 1);
  EXPECT_EQ(SystemsText(doc, 0), "1:1-5/40 2:5-9/0 3:9-13/0 4:13-17/12");
  EXPECT_EQ(SystemsText(doc, 3), "1:1-9/25 2:9-11/0 3:11-17/0");
}

TEST_F(FixIndentTest, NullSelectionRunsOnTheSpanOfMeasureZero) {
  TwoParts(0x19000000);
  const auto before = doc.records();
  EXPECT_EQ(QuilloExtensionInvoke(nullptr, 1, nullptr), 1);
  EXPECT_EQ(doc.records(), before);
  EXPECT_EQ(doc.layout_updates, 2);
  EXPECT_EQ(doc.current_part, 0);
}

}  // namespace
