// The enclosure record on its own: its tag, its copy, and the aliasing of an
// owner's bytes.
#include "records/enclosure.h"

#include <gtest/gtest.h>

#include "tests/support/host_test.h"

namespace {

using standin::Bytes;
using standin::MakeTag;

class EnclosureTest : public testing_support::HostTest {};

TEST_F(EnclosureTest, TheTagOverrideReplacesTheEnclosureTag) {
  QCEnclosure enclosure;
  EXPECT_EQ(enclosure.DataTag(), MakeTag("otDe"));
  enclosure.SetTagOverride(MakeTag("otXy"));
  EXPECT_EQ(enclosure.DataTag(), MakeTag("otXy"));
  doc.Put(MakeTag("otXy"), 2, 0, Bytes(12, 5));
  EXPECT_TRUE(enclosure.Load(2));
  EXPECT_EQ(doc.LogText("QX_LoadEData"), "LoadEData otXy 2/0 p0 12B v19000000 -> 1\n");
  EXPECT_EQ(enclosure.ClassID(), 26);
}

TEST_F(EnclosureTest, CopiesTwelveBytesBetweenOwnAndAliasedStorage) {
  uint8_t owner[20] = {};
  QCEnclosure aliased(owner + 4);
  EXPECT_EQ(aliased.LoadedSize(), 0u);
  EXPECT_FALSE(aliased.Save());

  QCEnclosure standalone;
  doc.Put(MakeTag("otDe"), 1, 0, Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
  ASSERT_TRUE(standalone.Load(1));
  aliased.CopyDataFrom(standalone);
  EXPECT_EQ(aliased.LoadedSize(), 12u);
  EXPECT_EQ(Bytes(owner, owner + 20),
            (Bytes{0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 0, 0, 0}));

  // The aliased enclosure saves from the owner's bytes.
  owner[4] = 99;
  ASSERT_TRUE(aliased.SaveAs(6));
  EXPECT_EQ(doc.Find(MakeTag("otDe"), 6, 0)->at(0), 99);

  std::unique_ptr<__QCBaseData> fresh = aliased.CreateInstance();
  EXPECT_NE(fresh->DataBuffer(), owner + 4);
  EXPECT_EQ(fresh->LoadedSize(), 0u);
}

}  // namespace
