// Cutting the multimeasure rest across the start measure in every part, as
// Start New Piece runs it through QCParts::ForEachPart: which rest is cut,
// what each part holds afterwards, and what a refusing host leaves behind.
#include "operations/part_mm_rest_splitter.h"

#include <gtest/gtest.h>

#include <string>

#include "records/parts.h"
#include "tests/support/staff_systems.h"

namespace {

using standin::Bytes;
using testing_support::kRestTag;
using testing_support::PutParts;
using testing_support::SpansText;

class PartMMRestSplitterTest : public testing_support::HostTest {
 protected:
  // A rest record with recognisable bytes after its end, counting from its
  // first measure.
  standin::Bytes Rest(uint16_t first, int16_t end) const {
    return standin::RestRecord(
        doc.host_version, end,
        testing_support::CountingRecord(kRestTag, doc.host_version, static_cast<uint8_t>(first)));
  }
  void PutRest(int16_t part, uint16_t first, int16_t end) {
    doc.Put(kRestTag, first, 0, Rest(first, end), part);
  }

  // "first-end" of every rest of `part`, in cmper order.
  std::string Rests(int16_t part) const { return SpansText(doc, kRestTag, part); }

  // Runs the splitter over every part; returns ForEachPart's count.
  int32_t SplitAt(int16_t m) {
    QCParts parts;
    parts.LoadAll();
    QCPartMMRestSplitter splitter(m);
    return parts.ForEachPart(splitter);
  }
};

TEST_F(PartMMRestSplitterTest, CutsTheRestAcrossTheMeasureInEveryPart) {
  PutParts(doc, {0, 3, 5});
  doc.current_part = 3;
  PutRest(0, 5, 11);
  PutRest(3, 1, 21);
  PutRest(5, 2, 8);   // ends just before 8
  PutRest(5, 9, 12);  // begins after 8

  EXPECT_EQ(SplitAt(8), 3);

  EXPECT_EQ(Rests(0), "5-8 8-11");
  EXPECT_EQ(Rests(3), "1-8 8-21");
  EXPECT_EQ(Rests(5), "2-8 9-12");
  // The new rest carries every word of the old one but its end.
  EXPECT_EQ(*doc.Find(kRestTag, 8, 0, 0), Rest(5, 11));
  EXPECT_EQ(doc.current_part, 3);
}

TEST_F(PartMMRestSplitterTest, AMeasureAtEitherEdgeOfTheRest) {
  PutParts(doc, {0});
  PutRest(0, 5, 11);
  const Bytes original = *doc.Find(kRestTag, 5, 0);

  // The end measure and the measure before the rest are outside it.
  EXPECT_EQ(SplitAt(11), 1);
  EXPECT_EQ(SplitAt(4), 1);
  EXPECT_EQ(doc.CountCalls("QX_SaveEData"), 0u);

  // Its first measure: the record is written twice and ends as it began.
  EXPECT_EQ(SplitAt(5), 1);
  EXPECT_EQ(doc.LogText("QX_SaveEData"),
            "SaveEData 0x4F025849 5/0 p0 24B v19000000 -> 1\n"
            "SaveEData 0x4F025849 5/0 p0 24B v19000000 -> 1\n");
  EXPECT_EQ(*doc.Find(kRestTag, 5, 0), original);

  // Its last measure: a one-measure rest begins there.
  EXPECT_EQ(SplitAt(10), 1);
  EXPECT_EQ(Rests(0), "5-10 10-11");
}

TEST_F(PartMMRestSplitterTest, OnlyTheFirstListedRestIsCutAndCmperZeroIsNotListed) {
  PutParts(doc, {0});
  PutRest(0, 0, 20);
  PutRest(0, 3, 12);
  PutRest(0, 6, 10);
  EXPECT_EQ(SplitAt(8), 1);
  EXPECT_EQ(Rests(0), "0-20 3-8 6-10 8-12");
}

TEST_F(PartMMRestSplitterTest, ARefusedWriteLeavesThePartsRestWhole) {
  PutParts(doc, {0, 1, 2});
  for (int16_t part = 0; part < 3; ++part) PutRest(part, 5, 11);
  const Bytes original = *doc.Find(kRestTag, 5, 0, 0);
  // Part 0 refuses the rest at 8, part 1 the shortened rest at 5.
  doc.refuse = [](const standin::ServiceCall& call) {
    return call.service == "QX_SaveEData" &&
           ((call.part == 0 && call.cmper == 8) || (call.part == 1 && call.cmper == 5));
  };

  EXPECT_EQ(SplitAt(8), 3);

  EXPECT_EQ(Rests(0), "5-11");
  EXPECT_EQ(*doc.Find(kRestTag, 5, 0, 0), original);
  EXPECT_EQ(Rests(1), "5-11");
  EXPECT_EQ(Rests(2), "5-8 8-11");
  EXPECT_EQ(doc.LogText("QX_SaveEData"),
            "SaveEData 0x4F025849 5/0 p0 24B v19000000 -> 1\n"
            "SaveEData 0x4F025849 8/0 p0 24B v19000000 -> 0\n"
            "SaveEData 0x4F025849 5/0 p0 24B v19000000 -> 1\n"
            "SaveEData 0x4F025849 5/0 p1 24B v19000000 -> 0\n"
            "SaveEData 0x4F025849 5/0 p2 24B v19000000 -> 1\n"
            "SaveEData 0x4F025849 8/0 p2 24B v19000000 -> 1\n");
}

}  // namespace
