#include "framework/string.h"

#include <gtest/gtest.h>

namespace {

TEST(StringTest, GrowsInStepsAndKeepsTheTerminator) {
  QCString text;
  EXPECT_EQ(text.Capacity(), 10u);
  EXPECT_EQ(text.Length(), 0u);
  EXPECT_EQ(text.Text()[0], 0);

  text.SetCString("fifteen chars!!");
  EXPECT_EQ(text.Capacity(), 20u);
  EXPECT_EQ(text.Length(), 15u);
  EXPECT_EQ(text.Text()[15], 0);
  EXPECT_EQ(text.Text()[14], '!');

  QCString nine;
  const uint16_t* before = nine.Text();
  nine.SetCString("123456789");
  EXPECT_EQ(nine.Capacity(), 10u);  // same size, but n + 1 == capacity: a new block
  EXPECT_EQ(nine.Length(), 9u);
  (void)before;
}

TEST(StringTest, LargeCapacitiesGrowInLargerSteps) {
  QCString text;
  text.EnsureCapacity(1500);  // from capacity 10: step 10
  EXPECT_EQ(text.Capacity(), 1510u);
  text.EnsureCapacity(2500);  // from 1510: step 100
  EXPECT_EQ(text.Capacity(), 2600u);
  text.EnsureCapacity(20000);  // from 2600: still step 100
  EXPECT_EQ(text.Capacity(), 20100u);
  text.EnsureCapacity(30000);  // from 20100: step 1000
  EXPECT_EQ(text.Capacity(), 31000u);
  EXPECT_EQ(text.Length(), 0u);
}

TEST(StringTest, NullTextFreesTheBufferAndTextAllocatesAgain) {
  QCString text("abc");
  text.SetCString(nullptr);
  EXPECT_EQ(text.Text(), nullptr);
  EXPECT_EQ(text.Capacity(), 0u);
  EXPECT_EQ(text.Length(), 0u);
  text.SetCString("xy");
  EXPECT_EQ(text.Capacity(), 10u);
  EXPECT_EQ(text.Text()[1], 'y');
  QCString empty("");
  EXPECT_EQ(empty.Capacity(), 10u);
}

TEST(StringTest, ACopyOwnsItsTextApartFromTheSource) {
  QCString source("piece");
  QCString copy = source;
  EXPECT_NE(copy.Text(), source.Text());
  source.SetCString("changed");
  EXPECT_EQ(copy.Length(), 5u);
  EXPECT_EQ(copy.Text()[0], 'p');
  EXPECT_EQ(copy.Text()[5], 0);

  QCString assigned("longer than ten units");
  assigned = copy;
  copy.SetCString(nullptr);
  EXPECT_EQ(assigned.Length(), 5u);
  EXPECT_EQ(assigned.Text()[4], 'e');
  const QCString& same = assigned;
  assigned = same;  // assigning a string to itself keeps its text
  EXPECT_EQ(assigned.Text()[4], 'e');

  QCString none(copy);  // a copy of a string without text has none either
  EXPECT_EQ(none.Text(), nullptr);
  EXPECT_EQ(none.Capacity(), 0u);
}

TEST(StringTest, HighBytesWidenAsSignedCharacters) {
  QCString text("caf\xE9");
  EXPECT_EQ(text.Text()[3], 0xFFE9);
  EXPECT_STREQ(text.ClassName(), "QCString");
  EXPECT_EQ(text.ClassID(), 0);
}

}  // namespace
