// The selection record that a run hands to the module, and the checks that
// keep it inside the document.
#include "standin/store/selection.h"

#include <gtest/gtest.h>

#include "standin/store/record_layouts.h"

namespace {

using standin::Bytes;
using standin::HostDocument;
using standin::NumberRange;
using standin::Selection;

TEST(SelectionTest, RecordIsLittleEndianFieldByField) {
  Selection s;
  s.start_slot_context = 0x0201;
  s.start_slot = 0x0403;
  s.start_measure = -9;
  s.start_position = 0x08070605;
  s.end_slot_context = 0x0A09;
  s.end_slot = 0x0C0B;
  s.end_measure = 13;
  s.end_position = 0x14131211;
  const std::array<uint8_t, 20> expected = {0x01, 0x02, 0x03, 0x04, 0xF7, 0xFF, 0x05,
                                            0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C,
                                            0x0D, 0x00, 0x11, 0x12, 0x13, 0x14};
  EXPECT_EQ(s.Encode(), expected);
}

TEST(SelectionTest, RangesAsWrittenOnTheCommandLine) {
  std::string error;
  // First and last of a range taken, or nothing when it is refused.
  auto range = [&](const char* text) {
    auto parsed = Selection::ParseRange(text, false, &error);
    return parsed ? std::optional(std::pair(parsed->first, parsed->last)) : std::nullopt;
  };
  EXPECT_EQ(range("9"), std::pair(9, 9));
  EXPECT_EQ(range("9-12"), std::pair(9, 12));
  EXPECT_EQ(range("9\u201312"), std::pair(9, 12));
  EXPECT_TRUE(Selection::ParseRange("all", true, &error)->all);

  EXPECT_FALSE(Selection::ParseRange("all", false, &error));
  EXPECT_FALSE(Selection::ParseRange("9-", true, &error));
  EXPECT_FALSE(Selection::ParseRange("x", true, &error));
  EXPECT_FALSE(Selection::ParseRange("", true, &error));
  EXPECT_FALSE(Selection::ParseRange("12-9", true, &error));
  EXPECT_EQ(error, "ends before it begins");
}

class SelectionInDocumentTest : public testing::Test {
 protected:
  void SetUp() override {
    for (uint16_t m = 3; m <= 20; ++m)
      doc.Put(standin::kMeasureTag, m, 0,
              standin::RecordLayouts::Blank(standin::kMeasureTag, doc.host_version));
    doc.slot_to_staff[{1, 0}] = 1;
    doc.slot_to_staff[{2, 0}] = 2;
    doc.slot_to_staff[{4, 1}] = 3;
  }
  HostDocument doc;
  std::string error;
};

TEST_F(SelectionInDocumentTest, AllMeansFirstToLastMeasureAndSlot) {
  auto s = Selection::InDocument(doc, NumberRange{true, 0, 0}, std::nullopt, &error);
  ASSERT_TRUE(s) << error;
  EXPECT_EQ(s->start_measure, 3);
  EXPECT_EQ(s->end_measure, 20);
  EXPECT_EQ(s->start_slot, 1);
  EXPECT_EQ(s->start_slot_context, 0);
  EXPECT_EQ(s->end_slot, 4);
  EXPECT_EQ(s->end_slot_context, 1);
  EXPECT_EQ(s->start_position, Selection::kMeasureStart);
  EXPECT_EQ(s->end_position, Selection::kMeasureEnd);

  s = Selection::InDocument(doc, NumberRange{false, 9, 12}, NumberRange{false, 2, 2}, &error);
  ASSERT_TRUE(s) << error;
  EXPECT_EQ(s->start_measure, 9);
  EXPECT_EQ(s->end_measure, 12);
  EXPECT_EQ(s->start_slot, 2);
  EXPECT_EQ(s->end_slot, 2);
}

TEST_F(SelectionInDocumentTest, AnythingOutsideTheDocumentIsRefused) {
  EXPECT_FALSE(Selection::InDocument(doc, NumberRange{false, 2, 9}, std::nullopt, &error));
  EXPECT_EQ(error, "measure 2 is outside the document (its measures are 3 to 20)");
  EXPECT_FALSE(Selection::InDocument(doc, NumberRange{false, 9, 21}, std::nullopt, &error));
  EXPECT_EQ(error, "measure 21 is outside the document (its measures are 3 to 20)");
  EXPECT_FALSE(
      Selection::InDocument(doc, NumberRange{false, 9, 9}, NumberRange{false, 1, 3}, &error));
  EXPECT_EQ(error, "slot 3 is not in the document's slot table (its slots are 1 to 4)");
  HostDocument empty;
  EXPECT_FALSE(Selection::InDocument(empty, NumberRange{true, 0, 0}, std::nullopt, &error));
  EXPECT_EQ(error, "the document has no measures to select");
}

TEST_F(SelectionInDocumentTest, MeasuresPastTheSelectionsFieldAndSlotsWithoutATableAreRefused) {
  // The selection's measure fields are signed 16-bit: 32767 is the last
  // measure it can name.
  for (const int m : {0x7FFF, 0x8000})
    doc.Put(standin::kMeasureTag, static_cast<uint16_t>(m), 0,
            standin::RecordLayouts::Blank(standin::kMeasureTag, doc.host_version));
  auto s = Selection::InDocument(doc, NumberRange{false, 0x7FFF, 0x7FFF}, std::nullopt, &error);
  ASSERT_TRUE(s) << error;
  EXPECT_EQ(s->end_measure, 0x7FFF);
  EXPECT_FALSE(Selection::InDocument(doc, NumberRange{false, 20, 0x8000}, std::nullopt, &error));
  EXPECT_EQ(error, "measure 32768 does not fit the selection's 16-bit measure");

  // Without a slot table, the whole of each measure is selected, and no
  // slots can be named.
  doc.slot_to_staff.clear();
  s = Selection::InDocument(doc, NumberRange{false, 9, 9}, NumberRange{true, 0, 0}, &error);
  ASSERT_TRUE(s) << error;
  EXPECT_EQ(s->start_measure, 9);
  EXPECT_FALSE(
      Selection::InDocument(doc, NumberRange{false, 9, 9}, NumberRange{false, 1, 1}, &error));
  EXPECT_EQ(error, "the document has no slot table to select slots from");
}

}  // namespace
