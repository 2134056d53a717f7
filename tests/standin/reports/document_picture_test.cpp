// The terminal picture: everything sits on one measure axis, so a new piece
// shows as marks, system breaks, rest and region ends in the same column.
#include "standin/reports/document_picture.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "standin/store/record_layouts.h"
#include "tests/standin/score_builder.h"

namespace {

using standin::DocumentPicture;
using standin::HostDocument;
using standin::PictureOptions;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The lines that start with `label`, in order.
std::vector<std::string> Find(const std::vector<std::string>& lines, const std::string& label) {
  std::vector<std::string> found;
  for (const std::string& line : lines) {
    if (line.rfind(label, 0) == 0) found.push_back(line);
  }
  return found;
}

std::string At(const std::string& line, size_t column, size_t length = 1) {
  return column < line.size() ? line.substr(column, length) : "";
}

class DocumentPictureTest : public testing::Test {
 protected:
  // Two parts and twelve measures; a second piece begins at measure 9.
  void SetUp() override {
    doc.host_version = 0x12000000;
    doc.parts = {0, 1};
    testing_support::ScoreBuilder b(&doc);
    b.Measures(1, 12);
    b.MeasureFlags(8, standin::kPieceEndFlag1, 0);
    b.MeasureFlags(9, 0x8800, 0x8C00);
    b.System(0, 1, 1, 5, 30);
    b.System(0, 2, 5, 9);
    b.System(0, 3, 9, 13, 30);
    b.System(1, 1, 1, 7, 20);
    b.System(1, 2, 7, 13);
    for (int system = 1; system <= 3; ++system) b.Staves(0, system, {1, 2});
    for (int first : {1, 5, 9}) b.Frozen(0, first, first + 4);
    b.Frozen(1, 1, 7);
    b.Frozen(1, 7, 11);  // disagrees with system 2, which ends after 12
    b.Rest(1, 3, 11);
    b.Region(1, 1, 9);
    b.Region(2, 9, 13);
    b.SplitGate(0);
  }

  // Column of measure m when three columns are drawn per measure.
  static size_t ColumnOf(int m) { return 14 + 3 * static_cast<size_t>(m - 1); }

  HostDocument doc;
};

TEST_F(DocumentPictureTest, RowsShareOneMeasureAxis) {
  PictureOptions options;
  options.title = "small.json";
  std::string text = DocumentPicture::Render(doc, options);
  auto lines = Lines(text);
  ASSERT_GE(lines.size(), 10u) << text;
  EXPECT_EQ(lines[0],
            "small.json: host version 0x12000000, document 1, 2 parts, measures 1\u201312");
  EXPECT_EQ(text.find('\x1b'), std::string::npos);

  auto ruler = Find(lines, "measure ");
  ASSERT_EQ(ruler.size(), 1u) << text;
  EXPECT_EQ(At(ruler[0], ColumnOf(1)), "1");
  EXPECT_EQ(At(ruler[0], ColumnOf(10), 2), "10");

  auto piece = Find(lines, "piece ");
  ASSERT_EQ(piece.size(), 1u) << text;
  EXPECT_EQ(At(piece[0], ColumnOf(8)), "E");
  EXPECT_EQ(At(piece[0], ColumnOf(9)), "S");

  auto numbers = Find(lines, "numbers ");
  ASSERT_EQ(numbers.size(), 1u);
  EXPECT_EQ(At(numbers[0], ColumnOf(9), 2), "[2");
  EXPECT_EQ(At(numbers[0], ColumnOf(9) - 1), "]");

  auto systems = Find(lines, "  systems");
  ASSERT_EQ(systems.size(), 2u) << text;
  EXPECT_EQ(At(systems[0], ColumnOf(9), 2), "[3");  // part 0 breaks at the new piece
  EXPECT_EQ(At(systems[1], ColumnOf(7), 2), "[2");
  EXPECT_EQ(At(systems[1], ColumnOf(9)), "-");  // part 1 runs on across it

  auto indents = Find(lines, "  indent");
  ASSERT_EQ(indents.size(), 2u);
  EXPECT_EQ(At(indents[0], ColumnOf(1), 2), "30");
  EXPECT_EQ(At(indents[0], ColumnOf(9), 2), "30");
  EXPECT_EQ(At(indents[1], ColumnOf(1), 2), "20");
  EXPECT_EQ(indents[1].size(), ColumnOf(1) + 2);  // nothing after system 1's indent

  auto rests = Find(lines, "  rests");
  ASSERT_EQ(rests.size(), 1u);  // only part 1 has rests
  EXPECT_EQ(At(rests[0], ColumnOf(3), 2), "[8");
  EXPECT_EQ(At(rests[0], ColumnOf(11) - 1), "]");
}

TEST_F(DocumentPictureTest, ListsTheSameFactsAndWhatDisagrees) {
  std::string text = DocumentPicture::Render(doc, PictureOptions{});
  for (const char* expected : {
           "\npieces: 1\u20138, 9\u201312\n",
           "\nmeasure-number regions: 1 (1\u20138), 2 (9\u201312)\n",
           "\nrests are split at a new piece (ot83 word 4 is 0)\n",
           "\npart 0 systems: 1 (1\u20134, indent 30), 2 (5\u20138), 3 (9\u201312, indent 30)\n",
           "\npart 1 systems: 1 (1\u20136, indent 20), 2 (7\u201312)\n         rests: 3\u201310\n",
           "\ncheck: part 1: system 2 (7\u201312): its frozen-system record says 7\u201310\n",
       }) {
    EXPECT_NE(text.find(expected), std::string::npos) << "missing: " << expected << "\n" << text;
  }
  // Part 1 keeps no staff lists at all, so their absence is not a fault.
  EXPECT_EQ(text.find("no staff list"), std::string::npos) << text;
  EXPECT_EQ(text.find("check: part 0"), std::string::npos) << text;
}

TEST_F(DocumentPictureTest, WideAxesWrapIntoBandsAndColourIsOptIn) {
  testing_support::ScoreBuilder b(&doc);
  b.Measures(13, 30);
  PictureOptions options;
  options.width = 34;  // one column per measure, twenty measures a band
  auto lines = Lines(DocumentPicture::Render(doc, options));
  auto rulers = Find(lines, "measure ");
  ASSERT_EQ(rulers.size(), 2u);
  EXPECT_EQ(At(rulers[0], 14), "1");
  EXPECT_EQ(At(rulers[1], 14, 2), "21");
  EXPECT_EQ(Find(lines, "part 0 (current)").size(), 2u);

  options.color = true;
  std::string coloured = DocumentPicture::Render(doc, options);
  EXPECT_NE(coloured.find("\x1b["), std::string::npos);
}

TEST(DocumentPictureEmptyTest, SaysThereIsNothingToDraw) {
  HostDocument doc;
  std::string text = DocumentPicture::Render(doc, PictureOptions{});
  EXPECT_NE(text.find("no measures, systems, rests or regions"), std::string::npos) << text;
}

}  // namespace
