// A kind of record that the stand-in's record table gains by one row: the
// document files read and write it, the builders make it by name, the score
// generator draws it where the host keeps it, `show` lists it and `diff`
// names its changes field by field, with no code of its own anywhere. A
// document of a host that does not keep it yet is refused in one line.
#include <gtest/gtest.h>

#include <string>

#include "standin/documents/document_file.h"
#include "standin/documents/record_builder.h"
#include "standin/documents/score_generator.h"
#include "standin/reports/document_diff.h"
#include "standin/reports/document_picture.h"
#include "standin/store/record_layouts.h"

namespace {

using namespace standin;

constexpr uint32_t kTempoTag = MakeTag("zTmp");
constexpr uint32_t kFrom = 0x13000000;

// A tempo mark at a measure, kept from host version kFrom on: a flag word,
// an 8-bit signed number, 8 bytes of text and 2 raw bytes in a 16-byte
// record whose first 2 bytes and last byte nothing names.
RecordKind TempoMarks(bool part_scoped = false, Addressing addressing = Addressing::kByMeasure) {
  return {kTempoTag,
          "tempo mark",
          addressing,
          part_scoped,
          Report::kListed,
          {{kFrom,
            16,
            {{"markFlags", 2, FieldKind::kFlags},
             {"beats", 4, FieldKind::kSigned, 1, 1},
             {"title", 5, FieldKind::kText, 8},
             {"raw", 13, FieldKind::kBytes, 2}}}}};
}

HostDocument WithMark(uint32_t version, Bytes mark) {
  HostDocument doc;
  doc.host_version = version;
  doc.Put(kPartTag, 0, 0, RecordLayouts::Blank(kPartTag, version));
  doc.Put(kMeasureTag, 1, 0, RecordLayouts::Blank(kMeasureTag, version));
  if (!mark.empty()) doc.Put(kTempoTag, 1, 0, std::move(mark));
  return doc;
}

std::string ParseError(const std::string& records, uint32_t version = kFrom) {
  char header[160];
  std::snprintf(header, sizeof header,
                "{\"format\": \"quillo-document/1\", \"hostVersion\": %u, \"parts\": [0], "
                "\"records\": [",
                static_cast<unsigned>(version));
  HostDocument doc;
  std::string error;
  EXPECT_FALSE(DocumentFile::Parse(header + records + "]}", &doc, &error));
  return error;
}

TEST(RecordTableTest, ANewKindIsReadWrittenBuiltShownComparedAndDrawnByItsRowAlone) {
  const RecordLayouts::ScopedKind tempo(TempoMarks());
  const Bytes mark = RecordBuilder(kTempoTag, kFrom)
                         .Set("markFlags", 0x8001)
                         .Set("beats", -3)
                         .Text("title", std::string("Lento\xE9\0", 7))
                         .Set("raw", 0xAB, 1);
  EXPECT_EQ(Bytes(mark.begin() + 2, mark.end()),
            (Bytes{0x01, 0x80, 0xFD, 'L', 'e', 'n', 't', 'o', 0xE9, 0, 0, 0, 0xAB, 0}));

  const HostDocument before = WithMark(kFrom, mark);
  const std::string text = DocumentFile::Format(before);
  EXPECT_NE(text.find("{\"tag\": \"zTmp\", \"cmper\": 1, \"inci\": 0, \"@0\": \"0000\", "
                      "\"markFlags\": \"0x8001\", \"beats\": -3, \"title\": \"Lento\\u00e9\", "
                      "\"raw\": \"00ab\", \"@15\": \"00\"}"),
            std::string::npos)
      << text;
  HostDocument loaded;
  std::string error;
  ASSERT_TRUE(DocumentFile::Parse(text, &loaded, &error)) << error;
  EXPECT_EQ(loaded.records(), before.records());

  EXPECT_NE(
      DocumentPicture::Render(before, {})
          .find("tempo mark at measure 1: markFlags 0x8001, beats -3, title \"Lento\\u00e9\", "
                "raw \"00ab\"\n"),
      std::string::npos);
  HostDocument after = WithMark(kFrom, RecordBuilder(kTempoTag, kFrom, mark)
                                           .Set("markFlags", 0x0003)
                                           .Set("beats", 4)
                                           .Text("title", "Presto"));
  EXPECT_EQ(
      DocumentDiff::Describe(before, after),
      std::vector<std::string>{"tempo mark at measure 1: markFlags +0x0002 \u22120x8000, "
                               "beats -3 \u2192 4, title \"Lento\\u00e9\" \u2192 \"Presto\""});
  EXPECT_EQ(DocumentDiff::Describe(WithMark(kFrom, {}), before),
            std::vector<std::string>{"tempo mark at measure 1 added: markFlags 0x8001, beats -3, "
                                     "title \"Lento\\u00e9\", raw \"00ab\""});

  // The generator draws some marks, but none, as the host keeps none,
  // before kFrom; each part keeps its own when the kind says so.
  ScoreShape shape;
  shape.host_version = kFrom;
  auto marks = [](const HostDocument& doc, int32_t part) {
    size_t count = 0;
    for (const auto& [key, bytes] : doc.records())
      count += key.tag == kTempoTag && key.part == part;
    return count;
  };
  const HostDocument drawn = GenerateScore(shape);
  EXPECT_GT(marks(drawn, RecordKey::kDocumentWide), 0u);
  EXPECT_LT(marks(drawn, RecordKey::kDocumentWide), static_cast<size_t>(shape.measures));
  shape.host_version = kFrom - 1;
  EXPECT_EQ(marks(GenerateScore(shape), RecordKey::kDocumentWide), 0u);
}

// `show` names a record by how its kind is addressed, after its part when
// each part keeps its own; a document without measures lists them too.
TEST(RecordTableTest, AListedRecordIsNamedByHowItsKindIsAddressed) {
  const Bytes mark = {0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // beats 2
  const std::string fields = ": markFlags 0x0000, beats 2, title \"\", raw \"0000\"\n";
  const std::string heading =
      "document: host version 0x13000000, document 1, 1 part\n"
      "no measures, systems, rests or regions\n";
  for (const auto& [addressing, names] :
       {std::pair{Addressing::kByMeasure, std::pair{"tempo mark at measure 3", "tempo mark 3/1"}},
        std::pair{Addressing::kByNumber, std::pair{"tempo mark 3", "tempo mark 3/1"}},
        std::pair{Addressing::kByNumberAndInci, std::pair{"tempo mark 3/0", "tempo mark 3/1"}}}) {
    const RecordLayouts::ScopedKind tempo(TempoMarks(false, addressing));
    HostDocument doc;
    doc.host_version = kFrom;
    doc.Put(kTempoTag, 3, 0, mark);
    doc.Put(kTempoTag, 3, 1, mark);
    EXPECT_EQ(DocumentPicture::Render(doc, {}),
              heading + names.first + fields + names.second + fields);
  }
  const RecordLayouts::ScopedKind tempo(TempoMarks(true, Addressing::kByNumber));
  HostDocument doc;
  doc.host_version = kFrom;
  doc.Put(kTempoTag, 3, 0, mark, 2);
  EXPECT_EQ(DocumentPicture::Render(doc, {}), heading + "part 2: tempo mark 3" + fields);
}

// A name the table does not know for the kind, an element past a field's
// count, or a text longer than its field, is a programming error: the
// builder says which and stops.
TEST(RecordTableTest, TheBuilderStopsAtANameTheTableDoesNotKnow) {
  const RecordLayouts::ScopedKind tempo(TempoMarks());
  const std::string no = "zTmp records at host version 0x13000000 have no ";
  EXPECT_DEATH(RecordBuilder(kTempoTag, kFrom).Set("tempo", 1), no + "tempo\n");
  EXPECT_DEATH(RecordBuilder(kTempoTag, kFrom).Set("beats", 1, 1), no + "beats\n");
  EXPECT_DEATH(RecordBuilder(kTempoTag, kFrom).Text("tempo", "x"), no + "tempo\n");
  EXPECT_DEATH(RecordBuilder(kTempoTag, kFrom).Text("beats", "x"), no + "beats\n");
  EXPECT_DEATH(RecordBuilder(kTempoTag, kFrom).Text("title", "Andantino"), no + "title\n");
  // A text that fills its field is written whole.
  const Bytes full = RecordBuilder(kTempoTag, kFrom).Text("title", "Andantin");
  EXPECT_EQ(std::string(full.begin() + 5, full.begin() + 13), "Andantin");
}

// A flag field's changes are written in as many digits as the field has.
TEST(RecordTableTest, AFlagFieldsChangesHaveTheFieldsWidth) {
  const RecordLayouts::ScopedKind tempo(
      {kTempoTag,
       "tempo mark",
       Addressing::kByMeasure,
       false,
       Report::kListed,
       {{kFrom, 4, {{"markFlags", 0, FieldKind::kFlags}, {"style", 2, FieldKind::kFlags, 1, 1}}}}});
  const Bytes before = RecordBuilder(kTempoTag, kFrom).Set("markFlags", 0x0001).Set("style", 0x81);
  const Bytes after =
      RecordBuilder(kTempoTag, kFrom, before).Set("markFlags", 0x0101).Set("style", 0x03);
  EXPECT_EQ(DocumentDiff::Describe(WithMark(kFrom, before), WithMark(kFrom, after)),
            std::vector<std::string>{
                "tempo mark at measure 1: markFlags +0x0100, style +0x02 \u22120x80"});
}

TEST(RecordTableTest, EachPartKeepsItsOwnRecordsOfAKindTheTableSaysIsKeptPerPart) {
  const size_t layouts = RecordLayouts::All().size();
  EXPECT_FALSE(IsPartScopedTag(kTempoTag));
  {
    const RecordLayouts::ScopedKind tempo(TempoMarks(/*part_scoped=*/true));
    EXPECT_TRUE(IsPartScopedTag(kTempoTag));
    EXPECT_EQ(RecordLayouts::All().size(), layouts + 1);
    ScoreShape shape;
    shape.host_version = kFrom;
    size_t in_part_2 = 0;
    const HostDocument drawn = GenerateScore(shape);
    for (const auto& [key, bytes] : drawn.records()) {
      if (key.tag == kTempoTag) {
        EXPECT_NE(key.part, RecordKey::kDocumentWide);
      }
      in_part_2 += key.tag == kTempoTag && key.part == 2;
    }
    EXPECT_GT(in_part_2, 0u);
  }
  // Once the kind is gone, the table is as it was.
  EXPECT_FALSE(IsPartScopedTag(kTempoTag));
  EXPECT_EQ(RecordLayouts::All().size(), layouts);
}

TEST(RecordTableTest, AKindIsRefusedInOneLineBeforeTheHostVersionThatKeepsIt) {
  const RecordLayouts::ScopedKind tempo(TempoMarks());
  EXPECT_FALSE(RecordLayouts::Exists(kTempoTag, kFrom - 1));
  EXPECT_TRUE(RecordLayouts::Exists(kTempoTag, kFrom));
  EXPECT_EQ(RecordLayouts::Read(Bytes(16, 1), kTempoTag, kFrom - 1, "beats"), std::nullopt);
  Bytes record(16, 0);
  EXPECT_FALSE(RecordLayouts::Write(record, kTempoTag, kFrom - 1, "beats", 1));
  EXPECT_EQ(ParseError("{\"tag\": \"zTmp\", \"cmper\": 1}", kFrom - 1),
            "records[0] (zTmp 1/0): no such record on this host: the host keeps tempo mark "
            "records from host version 0x13000000 on, and this document's is 0x12FFFFFF");
  // Not even as whole bytes, which any known record may be written as.
  EXPECT_NE(ParseError("{\"tag\": \"zTmp\", \"cmper\": 1, \"bytes\": \"00\"}", kFrom - 1)
                .find("no such record on this host"),
            std::string::npos);
}

// A record the host would not keep at the document's version (put there by
// a test or a module, never read from a file) is written as whole bytes,
// shown and compared by its length and bytes; asking its layout is a
// programming error.
TEST(RecordTableTest, ARecordOfAKindTheHostDoesNotKeepYetIsHandledAsBytes) {
  const RecordLayouts::ScopedKind tempo(TempoMarks());
  const HostDocument early = WithMark(kFrom - 1, Bytes(3, 0xAB));
  EXPECT_NE(DocumentFile::Format(early).find(
                "{\"tag\": \"zTmp\", \"cmper\": 1, \"inci\": 0, \"bytes\": \"ababab\"}"),
            std::string::npos);
  EXPECT_NE(DocumentPicture::Render(early, {}).find(
                "tempo mark at measure 1: 3 bytes, kept by no host of this version\n"),
            std::string::npos);
  EXPECT_EQ(DocumentDiff::Describe(early, WithMark(kFrom - 1, Bytes(3, 0))),
            std::vector<std::string>{"tempo mark at measure 1: bytes changed"});
  EXPECT_NE(DocumentPicture::Render(WithMark(kFrom, Bytes(3, 0)), {})
                .find("tempo mark at measure 1: 3 bytes, not the layout's 16\n"),
            std::string::npos);
  EXPECT_DEATH(RecordLayouts::Find(kTempoTag, kFrom - 1),
               "no such record on this host: the host keeps tempo mark records from host "
               "version 0x13000000 on, and this document's is 0x12FFFFFF");
  EXPECT_DEATH(RecordLayouts::Find(MakeTag("XXXX"), 0),
               "no such record on this host: tag 0x58585858 is unknown");
}

TEST(RecordTableTest, FieldsRefuseWhatTheirBytesCannotHold) {
  const RecordLayouts::ScopedKind tempo(TempoMarks());
  const std::string at = "{\"tag\": \"zTmp\", \"cmper\": 1, ";
  EXPECT_EQ(ParseError(at + "\"beats\": 128}"),
            "records[0] (zTmp 1/0).beats: 128 does not fit a signed 8-bit field (-128..127)");
  EXPECT_EQ(ParseError(at + "\"beats\": -129}"),
            "records[0] (zTmp 1/0).beats: -129 does not fit a signed 8-bit field (-128..127)");
  EXPECT_EQ(ParseError(at + "\"title\": \"Andantino\"}"),
            "records[0] (zTmp 1/0).title: holds 9 characters; the field has room for 8");
  EXPECT_EQ(ParseError(at + "\"title\": \"\\u0100\"}"),
            "records[0] (zTmp 1/0).title: \"\\\\u0100\" holds a character past U+00FF; the field "
            "holds 8-bit text");
  EXPECT_EQ(ParseError(at + "\"title\": 5}"), "records[0] (zTmp 1/0).title: must be a string");
  EXPECT_EQ(ParseError(at + "\"raw\": \"00\"}"),
            "records[0] (zTmp 1/0).raw: holds 1 bytes; the field has 2");
  EXPECT_EQ(ParseError(at + "\"raw\": \"zz00\"}"),
            "records[0] (zTmp 1/0).raw: holds \"zz\", which is not hexadecimal");
  EXPECT_EQ(ParseError(at + "\"markFlags\": \"0x10000\"}"),
            "records[0] (zTmp 1/0).markFlags: 0x10000 does not fit a 16-bit flag word");
}

}  // namespace
