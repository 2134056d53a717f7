// DocumentFile: a whole stand-in host document as a JSON text file.
//
// The file holds the host version, the document id, the parts in the order
// the host names them, the current part, the slot-to-staff table and every
// record. A record is written field by field in the layout that the
// document's host version selects (RecordLayouts); the bytes a layout leaves
// uninterpreted are kept in hexadecimal under keys naming their offset
// ("@14"), and a record whose length is not its layout's size is kept whole
// in hexadecimal ("bytes"). A document therefore goes from memory to text and
// back byte for byte. docs/document-format.md describes the format.
//
// The text is deterministic: fixed key order, records in address order, one
// record per line, '\n' line ends.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "standin/store/host_document.h"

namespace standin {

class DocumentFile {
 public:
  // The value of the "format" key, naming this format and its revision.
  static constexpr const char* kFormatName = "quillo-document/1";
  // Limits on what is read, so that no file can exhaust the program: the
  // largest file read, and the deepest nesting of lists and objects (the
  // format itself needs three levels).
  static constexpr size_t kMaxBytes = size_t{512} << 20;
  static constexpr size_t kMaxNesting = 64;

  // Reads a document from `text` into `document` (its records, parts, slot
  // table, host version, document id and current part; its log and faults are
  // left alone). On failure returns false with `error` naming the problem and
  // where it is, and leaves `document` unchanged.
  static bool Parse(std::string_view text, HostDocument* document, std::string* error);

  // The text of `document`.
  static std::string Format(const HostDocument& document);

  // Parse and Format through files. Errors read "PATH: problem".
  static bool Load(const std::string& path, HostDocument* document, std::string* error);
  // Writes the whole file or nothing (see WriteTextFileAtomically).
  static bool Save(const std::string& path, const HostDocument& document, std::string* error);
};

}  // namespace standin
