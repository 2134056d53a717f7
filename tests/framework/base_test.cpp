#include "framework/base.h"

#include <gtest/gtest.h>

namespace {

class Named : public QCBase {
 public:
  const char* ClassName() const override {
    static constexpr char kName[] = "Named";
    return kName;
  }
};

// Same text, different storage: must not count as the same class.
class Lookalike : public QCBase {
 public:
  const char* ClassName() const override { return text_; }
  char text_[6] = "Named";
};

TEST(BaseTest, SameClassComparesNameTextsByIdentity) {
  QCBase root;
  Named a, b;
  Lookalike lookalike;
  EXPECT_FALSE(root.IsSameClass(nullptr));
  EXPECT_TRUE(a.IsSameClass(&a));
  EXPECT_TRUE(a.IsSameClass(&b));
  EXPECT_FALSE(a.IsSameClass(&root));
  EXPECT_FALSE(a.IsSameClass(&lookalike));
  EXPECT_STREQ(root.ClassName(), "QCBase");
  EXPECT_EQ(root.ClassID(), 0);
}

}  // namespace
