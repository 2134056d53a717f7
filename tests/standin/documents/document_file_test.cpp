// Document files: every byte survives the trip through text, the host
// version picks the layout, and each kind of bad input is refused with a
// message that says where and what, leaving the document untouched.
#include "standin/documents/document_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "standin/documents/example_documents.h"
#include "standin/store/record_layouts.h"
#include "tests/standin/scratch_folder.h"

namespace {

using namespace standin;

// Text -> document -> text, expecting the same text and the same records.
void ExpectRoundTrip(const HostDocument& original) {
  std::string text = DocumentFile::Format(original);
  HostDocument loaded;
  std::string error;
  ASSERT_TRUE(DocumentFile::Parse(text, &loaded, &error)) << error << "\n" << text;
  EXPECT_EQ(loaded.records(), original.records());
  EXPECT_EQ(loaded.parts, original.parts);
  EXPECT_EQ(loaded.current_part, original.current_part);
  EXPECT_EQ(loaded.document_id, original.document_id);
  EXPECT_EQ(loaded.host_version, original.host_version);
  EXPECT_EQ(loaded.slot_to_staff, original.slot_to_staff);
  EXPECT_EQ(DocumentFile::Format(loaded), text);
}

Bytes Pattern(size_t size, uint8_t seed) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + 37 * i);
  return bytes;
}

TEST(DocumentFileTest, ExamplesRoundTrip) {
  for (const std::string& name : standin::ExampleDocuments::Names()) {
    SCOPED_TRACE(name);
    HostDocument doc;
    ASSERT_TRUE(standin::ExampleDocuments::Build(name, &doc));
    ExpectRoundTrip(doc);
  }
}

TEST(DocumentFileTest, EveryByteOfEveryRecordSurvivesAtEachLayoutRange) {
  for (uint32_t version : RecordLayouts::VersionsToTry()) {
    SCOPED_TRACE(version);
    HostDocument doc;
    doc.host_version = version;
    doc.parts = {0, 3};
    doc.current_part = 3;
    doc.document_id = -7;
    doc.slot_to_staff[{2, 1}] = -1;
    uint8_t seed = 1;
    for (const RecordLayout& layout : RecordLayouts::All()) {
      if (!RecordLayouts::Exists(layout.tag, version) ||
          &RecordLayouts::Find(layout.tag, version) != &layout) {
        continue;
      }
      doc.Put(layout.tag, 7, 0, Pattern(layout.size, seed++));
      doc.Put(layout.tag, 0xFFFF, 0xFFFF, Pattern(layout.size, seed++));
      doc.Put(layout.tag, 2, 1, Pattern(layout.size, seed++), 0);
      doc.Put(layout.tag, 2, 1, Pattern(layout.size, seed++), 3);
    }
    ExpectRoundTrip(doc);
  }
}

// Records are written field by field, with the gaps between in offset
// order; records of any other length are kept whole; all come back as they
// were.
TEST(DocumentFileTest, TextNamesFieldsKeepsGapsInOffsetOrderAndOtherLengthsWhole) {
  HostDocument doc;
  doc.host_version = 0x12000000;
  Bytes measure(30, 0);
  measure[0] = 0xAB;
  measure[29] = 0xCD;
  RecordLayouts::Write(measure, kMeasureTag, doc.host_version, "measureFlags1", 0x8800);
  RecordLayouts::Write(measure, kMeasureTag, doc.host_version, "measureFlags2", 0x0C00);
  doc.Put(kMeasureTag, 9, 0, measure);
  Bytes rest(24, 0);
  RecordLayouts::Write(rest, kRestTag, 0, "endMeasure", -3);
  doc.Put(kRestTag, 5, 0, rest, 0);
  doc.Put(kMeasureTag, 1, 0, Pattern(26, 9));  // the other layout's size
  doc.Put(kMeasureTag, 2, 0, Pattern(31, 9));  // odd length
  doc.Put(kMeasureTag, 3, 0, Bytes{});
  doc.Put(kStaffSystemTag, 1, 0, Pattern(13, 4), 0);
  ExpectRoundTrip(doc);
  std::string text = DocumentFile::Format(doc);
  EXPECT_NE(text.find(R"({"tag": "SOMS", "cmper": 9, "inci": 0, "@0": )"
                      R"("ab0000000000000000000000", "measureFlags1": "0x8800", )"
                      R"("measureFlags2": "0x0C00", "@16": "00000000000000000000000000cd"})"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find(R"({"tag": "0x4F025849", "cmper": 5, "inci": 0, "part": 0, "@0": )"
                      R"("0000", "endMeasure": -3, "@4":)"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find(R"("cmper": 2, "inci": 0, "bytes": ")"), std::string::npos) << text;
  EXPECT_NE(text.find(R"("cmper": 3, "inci": 0, "bytes": ""})"), std::string::npos) << text;
  EXPECT_EQ(text.find('\r'), std::string::npos);
}

// A document of parts 0 and 2 at host version 0x`version` holding `records`.
std::string Document(const std::string& records, const std::string& version = "12000000") {
  return R"({"format": "quillo-document/1", "hostVersion": "0x)" + version +
         R"(", "parts": [0, 2], "records": [)" + records + "]}";
}

// Parses `text` into `doc`, expecting it refused with `message` in the error;
// the error.
std::string ExpectRefused(const std::string& text, const std::string& message, HostDocument* doc) {
  std::string error;
  EXPECT_FALSE(DocumentFile::Parse(text, doc, &error));
  EXPECT_NE(error.find(message), std::string::npos) << "message: " << error;
  return error;
}

TEST(DocumentFileTest, HostVersionSelectsTheLayoutOfHandWrittenRecords) {
  const std::string record =
      R"({"tag": "SOMS", "cmper": 4, "measureFlags1": "0XFFFF", "measureFlags2": )"
      R"("0x3"})";
  HostDocument before_12, from_12;
  std::string error;
  ASSERT_TRUE(DocumentFile::Parse(Document(record, "11FFFFFF"), &before_12, &error)) << error;
  // Hexadecimal of up to 16 digits, leading zeros included, up to 32 bits.
  ASSERT_TRUE(DocumentFile::Parse(Document(record, "00000000FFFFFFFF"), &from_12, &error)) << error;
  Bytes expect_26(26, 0), expect_30(30, 0);
  expect_26[8] = expect_26[9] = 0xFF;
  expect_26[10] = 3;
  expect_30[12] = expect_30[13] = 0xFF;
  expect_30[14] = 3;
  EXPECT_EQ(*before_12.Find(kMeasureTag, 4, 0), expect_26);
  EXPECT_EQ(*from_12.Find(kMeasureTag, 4, 0), expect_30);
  EXPECT_EQ(before_12.parts, (std::vector<int16_t>{0, 2}));
  EXPECT_EQ(before_12.current_part, 0);  // the first part when not given
  HostDocument slots;                    // context 0 when not given
  const std::string slot = R"("slots": [{"slot": 1, "staff": 3}], )";
  ASSERT_TRUE(DocumentFile::Parse(Document("").insert(1, slot), &slots, &error)) << error;
  EXPECT_EQ(slots.slot_to_staff, (decltype(slots.slot_to_staff){{{1, 0}, 3}}));
}

// Each bad input, including input built to break the reader, is refused
// with one short line of printable text saying where and what, and nothing
// of it is taken in.
TEST(DocumentFileTest, BadInputIsRefusedInOneShortPrintableLineOfWhereAndWhat) {
  struct Case {
    const char* what;
    std::string text;
    std::string message;
  };
  const std::string system = R"({"tag": "SOSS", "cmper": 1, "part": 0, )";
  const std::string deep = std::string(50000, '[') + std::string(50000, ']');
  const std::string ok_nesting = std::string(63, '[') + std::string(63, ']');
  const std::string escape_key = "\\u001b[2J" + std::string(100000, 'k');
  const Case cases[] = {
      {"malformed JSON", Document(R"({"tag": "SOMS", "cmper": 1,})"),
       "not valid JSON: parse error at line 1, column "},
      {"not a document", "[1, 2]", "the document must be a JSON object"},
      {"no format", R"({"hostVersion": 1, "parts": [0], "records": []})", "not a quillo document"},
      {"unknown top-level key", Document("").insert(1, R"("colour": 1, )"),
       R"(unknown key "colour")"},
      {"unknown tag", Document(R"({"tag": "SOXX", "cmper": 1})"),
       R"(records[0]: unknown tag "SOXX")"},
      {"no cmper", Document(R"({"tag": "SOMS"})"), R"(records[0]: has no "cmper")"},
      {"a number for a record", Document(R"({"tag": "SOMS", "cmper": 1}, 7)"),
       "records[1]: must be an object"},
      {"malformed tag", Document(R"({"tag": "SOM", "cmper": 1})"),
       R"(records[0]: the tag "SOM" is neither four characters)"},
      {"flags too wide", Document(R"({"tag": "SOMS", "cmper": 1, "measureFlags1": "0x10000"})"),
       "records[0] (SOMS 1/0).measureFlags1: 0x10000 does not fit a 16-bit flag word"},
      {"fractional value", Document(system + R"("indent": 1.5})"),
       "records[0] (SOSS 1/0 part 0).indent: 1.5 is not a whole number"},
      {"word list too short", Document(R"({"tag": "ot83", "cmper": 65534, "words": [0, 0, 0]})"),
       "records[0] (ot83 65534/0).words: must be a list of 6 words"},
      {"gap of the wrong size", Document(system + R"("@14": "00"})"),
       "records[0] (SOSS 1/0 part 0).@14: holds 1 bytes; the staff system layout has 14 "
       "uninterpreted bytes at offset 14"},
      {"gap not hexadecimal", Document(system + R"("@0": "zzzz"})"),
       R"(records[0] (SOSS 1/0 part 0).@0: holds "zz", which is not hexadecimal)"},
      {"odd number of hex digits", Document(system + R"("bytes": "abc"})"),
       "records[0] (SOSS 1/0 part 0).bytes: has an odd number of hexadecimal digits (3)"},
      {"not hex", Document(system + R"("bytes": "z00z"})"),
       R"(holds "z0", which is not hexadecimal)"},
      {"not hex in the second digit", Document(system + R"("bytes": "0z"})"),
       R"(holds "0z", which is not hexadecimal)"},
      {"bytes with fields", Document(system + R"("bytes": "00", "indent": 1})"),
       R"(has both "bytes" and "indent")"},
      {"unknown field", Document(system + R"("indnet": 1})"),
       R"(records[0] (SOSS 1/0 part 0): unknown key "indnet" (the staff system layout of 28 )"
       R"(bytes has indent, firstMeasure, systemFlags, endMeasure, @0, @4, @14, or "bytes")"},
      {"part-scoped record without a part", Document(R"({"tag": "SOSS", "cmper": 1})"),
       R"(records[0] (SOSS 1/0): has no "part")"},
      {"part that is not a part", Document(R"({"tag": "SOSS", "cmper": 1, "part": 1})"),
       "records[0] (SOSS 1/0).part: 1 is not one of the parts"},
      {"document-wide record with a part", Document(R"({"tag": "SOMS", "cmper": 1, "part": 0})"),
       R"(SOMS records belong to the whole document; remove "part")"},
      {"the same record twice",
       Document(R"({"tag": "SOMS", "cmper": 1}, {"tag": "SOMS", "cmper": 1, "inci": 0})"),
       "records[1] (SOMS 1/0): the same record appears twice"},
      {"a key twice", Document(R"({"tag": "SOMS", "cmper": 1, "cmper": 2})"),
       R"(the key "cmper" appears twice in one object)"},
      {"a slot with an unknown key",
       Document("").insert(1, R"("slots": [{"slot": 1, "staff": 0, "colour": 2}], )"),
       R"(slots[0]: unknown key "colour" (a slot has: slot, context, staff))"},
      {"a slot without its staff", Document("").insert(1, R"("slots": [{"slot": 1}], )"),
       R"(slots[0]: needs "slot" and "staff")"},
      {"current part not a part", Document("").insert(1, R"("currentPart": 5, )"),
       "currentPart: 5 is not one of the parts"},
      {"no parts", Document("").replace(Document("").find("[0, 2]"), 6, "[]"),
       "parts: must be a non-empty list"},
      {"part listed twice",
       R"({"format": "quillo-document/1", "hostVersion": 1, "parts": [0, 0], "records": )"
       "[]}",
       "parts[1]: part 0 is listed twice"},
      {"host version too wide", Document("", "100000000"), "hostVersion: 0x100000000 does not fit"},
      {"hexadecimal without digits", Document("", ""), R"(hostVersion: "0x" is not a hexadecimal)"},
      {"hexadecimal of 17 digits", Document("", "00000000000000001"), "is not a hexadecimal"},
      {"hexadecimal without its 0",
       Document(R"({"tag": "SOMS", "cmper": 1, "measureFlags1": "1x8000"})"),
       R"(measureFlags1: "1x8000" is not a hexadecimal number)"},
      {"hexadecimal without its x",
       Document(R"({"tag": "SOMS", "cmper": 1, "measureFlags1": "0y12"})"),
       R"(measureFlags1: "0y12" is not a hexadecimal number)"},
      {"hexadecimal with a letter past f",
       Document(R"({"tag": "SOMS", "cmper": 1, "measureFlags1": "0x12g4"})"),
       R"(measureFlags1: "0x12g4" is not a hexadecimal number)"},
      // Input built to break the reader.
      {"nesting far past the limit", Document("").insert(1, R"("documentId": )" + deep + ", "),
       "values are nested deeper than the 64 levels a document may have"},
      {"nesting just past the limit", "[" + std::string(64, '[') + std::string(65, ']'),
       "values are nested deeper than the 64 levels"},
      {"nesting within the limit, but not a document", ok_nesting,
       "the document must be a JSON object"},
      {"a number too large for a double, under an unknown key",
       Document("").insert(1, R"("x": 1e400, )"), "the number at line 1, column 12, 1e400, is"},
      {"a long number too large, on a later line and followed by more",
       "\n" + Document("").insert(1, "\n \"x\": 1" + std::string(50, '0') + "e400\n,\n"),
       "the number at line 3, column 62, 1" + std::string(36, '0') + "..., is too large"},
      {"a long string running into the next key, its message cut",
       Document("").insert(1, "\"x\": \"" + std::string(400, 's')),
       "not valid JSON: parse error at line 1, column 410: syntax error while parsing object - "
       "invalid literal; last read: '\"" +
           std::string(196, 's') + "..."},
      {"a huge integer where a field goes",
       Document(R"({"tag": "SOMS", "cmper": 123456789012345678901234567890})"),
       "records[0].cmper: 1.2345678901234568e+29 does not fit an unsigned 16-bit cmper "
       "(0..65535)"},
      {"the first integer past 64 signed bits",
       Document(R"({"tag": "SOMS", "cmper": 1, "measureFlags1": 9223372036854775808})"),
       "measureFlags1: 9223372036854775808 does not fit a 16-bit flag word (0..65535)"},
      {"a number with a fraction", Document(R"({"tag": "SOMS", "cmper": 1.5})"),
       "records[0].cmper: 1.5 is not a whole number"},
      {"a whole number with an exponent", Document(R"({"tag": "SOMS", "cmper": 1e0})"),
       "records[0].cmper: 1.0 is written with a point or an exponent; whole numbers are written "
       "in digits only"},
      {"the first integer below 64 signed bits, read as -2^63 in a double",
       Document(R"({"tag": "SOMS", "cmper": -9223372036854775809})"),
       "e+18 does not fit an unsigned 16-bit cmper"},
      {"a list where a number goes", Document(R"({"tag": "SOMS", "cmper": [1, 2]})"),
       "records[0].cmper: [1,2] is not a whole number"},
      {"a long value",
       Document("").insert(1, R"("documentId": ")" + std::string(60, 'x') + R"(", )"),
       R"(documentId: ")" + std::string(36, 'x') + "... is not a whole number"},
      {"a NUL byte and garbage after the document", Document("") + std::string("\0junk", 5),
       "not valid JSON: parse error at line 1, column "},
      {"garbage after the document", Document("") + " x",
       "parse error at line 1, column 94: syntax error while parsing value - invalid literal"},
      {"a second document after the first", Document("") + "\n" + Document(""),
       "parse error at line 2, column 1: syntax error while parsing value - unexpected '{'; "
       "expected end of input"},
      {"a long key of terminal escapes", Document("").insert(1, R"(")" + escape_key + R"(": 1, )"),
       "unknown key \"\\x1b[2Jkkkkkkkkkkkkkkkkkkkkkkkkkkkkkk...\" (a document has"},
      {"the same long key twice",
       Document("").insert(1, R"(")" + escape_key + R"(": 1, ")" + escape_key + R"(": 2, )"),
       "the key \"\\x1b[2Jkkkkkkkkkkkkkkkkkkkkkkkkkkkkkk...\" appears twice in one object"},
      {"a key twice among many",
       "{" +
           [] {
             std::string keys;
             for (int i = 0; i < 1000; ++i) keys += R"("k)" + std::to_string(i) + R"(": 0, )";
             return keys;
           }() +
           R"("k999": 1})",
       R"(the key "k999" appears twice in one object)"},
      {"a value of terminal escapes",
       Document("").insert(1, "\"documentId\": \"\\u001b]0;x\\u0007\", "),
       "documentId: \"\\\\u001b]0;x\\\\u0007\" is not a whole number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HostDocument doc;
    doc.Put(standin::kMeasureTag, 77, 0, Bytes{1, 2, 3});
    const std::string error = ExpectRefused(c.text, c.message, &doc);
    EXPECT_LT(error.size(), 400u);
    for (char ch : error) EXPECT_TRUE(ch >= 0x20 && ch < 0x7F) << "message: " << error;
    // Nothing of the bad document is taken in.
    EXPECT_EQ(doc.records().size(), 1u);
    EXPECT_EQ(doc.parts, std::vector<int16_t>{0});
    EXPECT_EQ(doc.host_version, HostDocument().host_version);
  }
  // White space after the document is fine.
  HostDocument doc;
  std::string error;
  EXPECT_TRUE(DocumentFile::Parse(Document("") + " \n\t\r\n", &doc, &error)) << error;
}

// Each integer is taken at both ends of its range and refused one past them.
TEST(DocumentFileTest, IntegersAreTakenWithinTheirRangesOnly) {
  struct Range {
    std::string keys;  // # stands for the number
    int64_t low, high;
  };
  const std::string part = R"({"tag": "SOSS", "cmper": 1, "part": )";
  const Range ranges[] = {
      {R"("hostVersion": #)", 0, 0xFFFFFFFF},
      {R"("documentId": #)", -32768, 32767},
      {R"("parts": [#])", -32768, 32767},
      {R"("currentPart": #)", -32768, 32767},
      {R"("slots": [{"slot": #, "staff": 0}])", 0, 65535},
      {R"("slots": [{"slot": 0, "context": #, "staff": 0}])", 0, 65535},
      {R"("slots": [{"slot": 0, "staff": #}])", -32768, 32767},
      {R"("records": [{"tag": "SOMS", "cmper": #}])", 0, 65535},
      {R"("records": [{"tag": "SOMS", "cmper": 1, "inci": #}])", 0, 65535},
      {R"("records": [)" + part + "#}]", -32768, 32767},
      {R"("records": [)" + part + R"(0, "endMeasure": #}])", -32768, 32767},
      {R"("records": [{"tag": "SOMN", "cmper": 1, "clearedOnSplit": #}])", 0, 65535},
      {R"("records": [{"tag": "SOMS", "cmper": 1, "measureFlags1": #}])", 0, 65535},
      {R"("records": [{"tag": "ot83", "cmper": 1, "words": [0, 0, 0, 0, 0, #]}])", 0, 65535},
  };
  for (const Range& range : ranges) {
    for (int64_t n : {range.low - 1, range.low, range.high, range.high + 1}) {
      std::string keys = range.keys;
      keys.replace(keys.find('#'), 1, std::to_string(n));
      std::string text = R"({"format": "quillo-document/1", )" + keys;
      if (keys.find("hostVersion") == std::string::npos) text += R"(, "hostVersion": 1)";
      if (keys.find("parts") == std::string::npos) text += R"(, "parts": [-32768, 0, 32767])";
      if (keys.find("records") == std::string::npos) text += R"(, "records": [])";
      SCOPED_TRACE(text + "}");
      HostDocument doc;
      std::string error;
      const bool within = n >= range.low && n <= range.high;
      EXPECT_EQ(DocumentFile::Parse(text + "}", &doc, &error), within) << error;
      const std::string range_text =
          " (" + std::to_string(range.low) + ".." + std::to_string(range.high) + ")";
      EXPECT_EQ(error.find(std::to_string(n) + " does not fit ") != std::string::npos, !within);
      EXPECT_EQ(error.find(range_text) != std::string::npos, !within) << error;
    }
  }
}

// The records are read as they stream past; keys may still come in any
// order, and reading stops at the first problem in the text.
TEST(DocumentFileTest, KeysMayComeInAnyOrder) {
  const std::string records = R"("records": [{"tag": "SOSS", "cmper": 1, "part": 2, "indent": 5}])";
  const std::string header = R"("format": "quillo-document/1", "hostVersion": 1, "parts": [0, 2])";
  for (const std::string& text :
       {"{" + records + ", " + header + R"(, "currentPart": 2})",
        "{" + header + ", " + records + R"(, "currentPart": 2, "documentId": 4})",
        R"({"currentPart": 2, )" + header + ", " + records + "}",
        // Two of the three keys the records need before them, the third after.
        R"({"format": "quillo-document/1", "hostVersion": 1, )" + records +
            R"(, "parts": [0, 2], "currentPart": 2})",
        R"({"format": "quillo-document/1", "parts": [0, 2], )" + records +
            R"(, "hostVersion": 1, "currentPart": 2})",
        R"({"hostVersion": 1, "parts": [0, 2], )" + records +
            R"(, "format": "quillo-document/1", "currentPart": 2})"}) {
    SCOPED_TRACE(text);
    HostDocument doc;
    std::string error;
    ASSERT_TRUE(DocumentFile::Parse(text, &doc, &error)) << error;
    EXPECT_EQ(doc.current_part, 2);
    EXPECT_EQ(doc.records().size(), 1u);
    EXPECT_NE(doc.Find(standin::kStaffSystemTag, 1, 0, 2), nullptr);
  }
  struct Case {
    std::string text;
    const char* message;
  };
  const Case cases[] = {
      {"{" + records + R"(, "format": "quillo-document/1", "parts": [0, 2]})",
       R"(the key "hostVersion" is missing)"},
      {"{" + records + ", " + header.substr(0, header.size() - 4) + "]}",
       "records[0] (SOSS 1/0).part: 2 is not one of the parts"},
      // The bad record comes first, the broken text after it.
      {"{" + header + R"(, "records": [{"tag": "SOXX", "cmper": 1}, {]})",
       R"(records[0]: unknown tag "SOXX")"},
  };
  std::vector<Case> all(std::begin(cases), std::end(cases));
  // A bad key after the records, or anywhere with the records first, is
  // found when the document ends.
  for (const auto& [key, message] : {std::pair{R"("currentPart": 3)", "currentPart: 3 is not one"},
                                     {R"("documentId": "x")", R"(documentId: "x" is not a)"},
                                     {R"("slots": 5)", "slots: must be a list"},
                                     {R"("colour": 1)", R"(unknown key "colour")"}}) {
    all.push_back({"{" + header + ", " + records + ", " + key + "}", message});
    all.push_back({"{" + records + ", " + header + ", " + key + "}", message});
  }
  for (const Case& c : all) {
    SCOPED_TRACE(c.text);
    HostDocument doc;
    ExpectRefused(c.text, c.message, &doc);
  }
}

TEST(DocumentFileTest, LoadAndSaveNameTheFile) {
  HostDocument doc;
  std::string error;
  EXPECT_FALSE(DocumentFile::Load("/nonexistent/folder/doc.json", &doc, &error));
  EXPECT_EQ(error.rfind("/nonexistent/folder/doc.json: cannot open", 0), 0u) << error;
  EXPECT_FALSE(DocumentFile::Save("/nonexistent/folder/doc.json", doc, &error));
  EXPECT_EQ(error.rfind("/nonexistent/folder/doc.json: cannot create", 0), 0u) << error;

  // A file one byte over the 512 MiB a document may have (sparse, so that it
  // takes no room) is refused by its size, before it is read.
  testing_support::ScratchFolder folder;
  const std::string big = folder.Path("big.json");
  testing_support::WriteFile(big, "");
  std::filesystem::resize_file(big, 536870913);
  EXPECT_FALSE(DocumentFile::Load(big, &doc, &error));
  EXPECT_EQ(error, big + ": is 536870913 bytes, more than the 536870912 bytes a document may have");
}

}  // namespace
