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

// Eleven measures at one column each: a one-measure segment is its label
// when that is one character, else a bar; measure 10's number just fits.
// Part 1's records disagree in every way the checks name; part 0 keeps no
// frozen-system records and no staff lists, so it has nothing to disagree
// with.
TEST(DocumentPictureNarrowTest, OneColumnSegmentsEveryPieceMarkAndEveryCheck) {
  HostDocument doc;
  doc.host_version = 0x12000000;
  doc.parts = {0, 1};
  testing_support::ScoreBuilder b(&doc);
  b.Measures(1, 11);
  b.MeasureFlags(5, standin::kPieceEndFlag1 | standin::kPieceStartFlag1, standin::kPieceStartFlag2);
  b.MeasureFlags(9, standin::kPieceStartFlag1, 0);
  b.MeasureFlags(10, 0, standin::kPieceStartFlag2);
  b.MeasureFlags(11, standin::kPieceEndFlag1, 0);
  b.System(0, 1, 1, 5);
  b.System(0, 2, 5, 6, 6);
  b.System(0, 12, 6, 7);
  b.System(0, 13, 7, 12);
  b.Rest(0, 8, 9);
  b.System(1, 1, 1, 5);
  b.System(1, 2, 6, 12);
  b.Staves(1, 1, {3});
  b.Frozen(1, 1, 5);
  b.Frozen(1, 4, 9);
  PictureOptions options;
  options.width = 30;
  EXPECT_EQ(DocumentPicture::Render(doc, options),
            "document: host version 0x12000000, document 1, 2 parts, measures 1\u201311\n"
            "\n"
            "measure       1........10\n"
            "piece             X   ssE\n"
            "numbers\n"
            "part 0 (current) (no part record)\n"
            "  systems     [1-]2|[13-]\n"
            "  indent          6\n"
            "  rests              1\n"
            "part 1 (no part record)\n"
            "  systems     [1-] [2---]\n"
            "  indent\n"
            "\n"
            "pieces: 1\u20134, 5\u201311\n"
            "part 0 systems: 1 (1\u20134),\n"
            "                2 (5, indent 6),\n"
            "                12 (6),\n"
            "                13 (7\u201311)\n"
            "         rests: 8\n"
            "part 1 systems: 1 (1\u20134),\n"
            "                2 (6\u201311)\n"
            "check: part 1: system 2 (6\u201311) does not begin where system 1 (1\u20134) ends\n"
            "check: part 1: system 2 (6\u201311) has no frozen-system record\n"
            "check: part 1: system 2 (6\u201311) has no staff list\n"
            "check: part 1: the frozen-system record at measure 4 belongs to no system\n");
}

// A number is drawn whole or not at all: an indent where its system
// begins, a label inside its segment. Cut at a segment's end or at a band's
// edge, a part of it would read as another number.
TEST(DocumentPictureNarrowTest, NumbersThatDoNotFitAreLeftOut) {
  HostDocument doc;
  doc.host_version = 0x12000000;
  doc.parts = {0, 1};
  testing_support::ScoreBuilder b(&doc);
  b.Measures(1, 30);
  b.System(0, 1, 1, 5, 30);
  b.System(0, 2, 5, 6, 24);  // one column
  b.System(0, 3, 6, 20);
  b.System(0, 4, 20, 22, 24);  // from the first band's last column on
  b.System(0, 5, 22, 31, 6);
  b.System(1, 1, 1, 19);
  b.System(1, 12, 19, 26);  // from the first band's last two columns on
  b.System(1, 13, 26, 31);
  b.Rest(1, 20, 31);
  PictureOptions options;
  options.width = 34;  // one column per measure, twenty measures a band
  const auto lines = Lines(DocumentPicture::Render(doc, options));
  EXPECT_EQ(Find(lines, "  indent"), (std::vector<std::string>{"  indent      30", "  indent",
                                                               "  indent       6", "  indent"}));
  EXPECT_EQ(Find(lines, "  systems"),
            (std::vector<std::string>{"  systems     [1-]2[3-----------]4",
                                      "  systems     [1---------------][-",
                                      "  systems     ][5------]", "  systems     ----][13-]"}));
  EXPECT_EQ(Find(lines, "  rests"), (std::vector<std::string>{"  rests                          [",
                                                              "  rests       11-------]"}));
}

// Past a few thousand measures only the measure records' range is drawn,
// and without measure records the axis is cut; the summary and the facts
// still give the whole.
TEST(DocumentPictureLongAxisTest, DrawsOnlyTheMeasureRecordsOrTheAxisCutShort) {
  HostDocument doc;
  doc.host_version = 0x12000000;
  doc.parts = {0};
  testing_support::ScoreBuilder b(&doc);
  b.System(0, 1, 1, 9001);
  b.Measures(4000, 4002);
  EXPECT_EQ(DocumentPicture::Render(doc, PictureOptions{}),
            "document: host version 0x12000000, document 1, 1 part, measures 1\u20139000\n"
            "\n"
            "measure       4000  .\n"  // 3 columns a measure
            "piece\n"
            "numbers\n"
            "part 0 (current) (no part record)\n"
            "  systems     ---------\n"
            "  indent\n"
            "\n"
            "pieces: 1\u20139000\n"
            "part 0 systems: 1 (1\u20139000)\n");

  // An axis of exactly the longest drawn is drawn whole, one measure more
  // only up to that length; measure 5000's number does not fit the last
  // band and is left out.
  for (int last : {5000, 5001}) {
    HostDocument rests;
    rests.host_version = 0x12000000;
    rests.parts = {0};
    testing_support::ScoreBuilder(&rests).Rest(0, 1, last + 1);
    if (last == 5000) testing_support::ScoreBuilder(&rests).Measures(2, 3);
    const auto lines = Lines(DocumentPicture::Render(rests, PictureOptions{}));
    const auto rulers = Find(lines, "measure ");
    ASSERT_EQ(rulers.size(), 59u) << last;  // 86 measures a band
    EXPECT_EQ(rulers.back(), "measure       4989........") << last;
    const auto drawn = Find(lines, "  rests");
    EXPECT_EQ(drawn.back(),
              last == 5000 ? "  rests       -----------]" : "  rests       ------------")
        << last;
    EXPECT_EQ(lines.back(), "         rests: 1\u2013" + std::to_string(last)) << last;
  }
}

// Each kind of mark in its own colour, the heading in bold, every coloured
// stretch closed; nothing is coloured where nothing is drawn.
TEST(DocumentPictureColourTest, EachRowItsOwnColours) {
  HostDocument doc;
  doc.host_version = 0x12000000;
  doc.parts = {0};
  testing_support::ScoreBuilder b(&doc);
  b.Measures(1, 2);
  b.MeasureFlags(1, standin::kPieceEndFlag1, 0);
  b.MeasureFlags(2, standin::kPieceStartFlag1, standin::kPieceStartFlag2);
  b.Region(1, 1, 2);
  b.Region(2, 2, 3);
  b.System(0, 1, 1, 2, 24);
  b.System(0, 2, 2, 3);
  b.Rest(0, 1, 3);
  PictureOptions options;
  options.color = true;
  const auto lines = Lines(DocumentPicture::Render(doc, options));
  ASSERT_GE(lines.size(), 10u);
  EXPECT_EQ(lines[0],
            "\x1b[1mdocument: host version 0x12000000, document 1, 1 part, measures 1\u20132"
            "\x1b[0m");
  EXPECT_EQ(lines[2], "measure       \x1b[2m1  .\x1b[0m");
  EXPECT_EQ(lines[3], "piece         \x1b[1;31mE  \x1b[1;32mS\x1b[0m");
  EXPECT_EQ(lines[4], "numbers       \x1b[32m[1]\x1b[33m[2]\x1b[0m");
  EXPECT_EQ(lines[5], "part 0 (current) (no part record)");
  EXPECT_EQ(lines[6], "  systems     \x1b[36m[1]\x1b[34m[2]\x1b[0m");
  EXPECT_EQ(lines[7], "  indent      \x1b[33m24\x1b[0m");
  EXPECT_EQ(lines[8], "  rests       \x1b[35m[2---]\x1b[0m");
  EXPECT_EQ(lines[9], "");
  EXPECT_EQ(lines[10], "pieces: 1, 2");
}

TEST(DocumentPictureEmptyTest, SaysThereIsNothingToDraw) {
  HostDocument doc;
  std::string text = DocumentPicture::Render(doc, PictureOptions{});
  EXPECT_NE(text.find("no measures, systems, rests or regions"), std::string::npos) << text;
}

}  // namespace
