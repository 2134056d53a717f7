#include "framework/string.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <utility>

namespace {

TEST(StringTest, GrowsInStepsAndKeepsTheTerminator) {
  // The freed block is likely the new string's: its terminator must be written.
  std::unique_ptr<uint16_t[]>(new uint16_t[10]{0xAAAA, 0xAAAA, 0xAAAA}).reset();
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
  nine.SetCString("123456789");
  EXPECT_EQ(nine.Capacity(), 10u);  // same size, but n + 1 == capacity: a new block
  EXPECT_EQ(nine.Length(), 9u);
}

TEST(StringTest, LargeCapacitiesGrowInLargerSteps) {
  // One string grown four times: from capacity 10 the step is 10, from 1510
  // and from 2600 it is 100, from 20100 it is 1000.
  QCString text;
  for (auto [n, capacity] :
       {std::pair{1500u, 1510u}, {2500u, 2600u}, {20000u, 20100u}, {30000u, 31000u}}) {
    text.EnsureCapacity(n);
    EXPECT_EQ(text.Capacity(), capacity) << "room for " << n;
  }
  EXPECT_EQ(text.Length(), 0u);

  // Exactly at each threshold the smaller step still holds; past it, room
  // for n leaves a buffer of n + 2 alone and replaces one of n + 1.
  for (auto [full, grown, next] : {std::tuple{1000u, 1010u, 1100u}, {10000u, 10100u, 11000u}}) {
    QCString at;
    at.EnsureCapacity(full - 10);
    ASSERT_EQ(at.Capacity(), full);
    at.EnsureCapacity(full);
    EXPECT_EQ(at.Capacity(), grown);
    at.EnsureCapacity(grown - 2);
    EXPECT_EQ(at.Capacity(), grown);
    at.EnsureCapacity(grown - 1);
    EXPECT_EQ(at.Capacity(), next);
  }
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
  auto units = [](const QCString& s) { return std::u16string(s.Text(), s.Text() + s.Length()); };
  EXPECT_EQ(units(assigned), u"piece");
  EXPECT_EQ(assigned.Capacity(), 10u);
  EXPECT_EQ(assigned.Text()[5], 0);
  const QCString& same = assigned;
  assigned = same;  // assigning a string to itself keeps its text
  EXPECT_EQ(assigned.Text()[4], 'e');

  QCString one("x");
  EXPECT_EQ(units(QCString(one)), u"x");
  one.EnsureCapacity(50);  // growing keeps the text
  EXPECT_EQ(units(one), u"x");

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
