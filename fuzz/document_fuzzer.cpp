// Fuzzes the stand-in host's document reader with arbitrary bytes.
//
// Every input must end, with no sanitizer report, in one of two ways: a
// document, which then writes out as text that reads back as the same
// document and can be drawn and compared; or one line of printable text
// saying what is wrong. The reader may neither crash, abort nor hang.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "standin/documents/document_file.h"
#include "standin/reports/document_diff.h"
#include "standin/reports/document_picture.h"
#include "standin/store/host_document.h"

namespace {

// Longest message the reader may give: the shortened pieces of input and
// the reader's own words.
constexpr size_t kLongestMessage = 1000;
// Pictures are drawn for documents with at most this many parts, so that a
// run stays short; the picture's own bounds are tested elsewhere.
constexpr size_t kMostPartsDrawn = 64;

[[noreturn]] void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "invariant broken: %s\n%s\n", what, detail.substr(0, 2000).c_str());
  std::abort();
}

void CheckMessage(const std::string& error) {
  if (error.empty()) Fail("a refused document without a message", "");
  if (error.size() > kLongestMessage) Fail("a message longer than a line should be", error);
  for (char c : error) {
    if (c < 0x20 || c > 0x7E) Fail("a message with a byte that is not printable ASCII", error);
  }
}

void CheckDocument(const standin::HostDocument& doc) {
  const std::string text = standin::DocumentFile::Format(doc);
  standin::HostDocument again;
  std::string error;
  if (!standin::DocumentFile::Parse(text, &again, &error)) {
    Fail("a document's own text does not read back", error + "\n" + text);
  }
  if (standin::DocumentFile::Format(again) != text || again.records() != doc.records()) {
    Fail("a document's own text reads back as another document", text);
  }
  if (!standin::DocumentDiff::Describe(doc, again).empty()) {
    Fail("a document differs from its own copy", text);
  }
  if (doc.parts.size() <= kMostPartsDrawn) {
    standin::PictureOptions options;
    options.width = 120;
    size_t drawn = 0;
    standin::DocumentPicture::Render(doc, options, [&drawn](std::string_view piece) {
      drawn += piece.size();
      return true;
    });
    if (drawn == 0) Fail("an empty picture", text);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  standin::HostDocument doc;
  std::string error;
  if (standin::DocumentFile::Parse(text, &doc, &error)) {
    CheckDocument(doc);
  } else {
    CheckMessage(error);
  }
  return 0;
}
