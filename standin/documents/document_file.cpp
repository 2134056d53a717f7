#include "standin/documents/document_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <vector>

#include "standin/documents/text_file.h"
#include "standin/store/record_layouts.h"

namespace standin {
namespace {

using Json = nlohmann::json;

constexpr const char* kRecordKeys[] = {"tag", "cmper", "inci", "part", "bytes"};

std::string Quote(std::string_view text) {
  return Json(std::string(text)).dump();
}

std::string Hex(const uint8_t* bytes, size_t count) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(2 * count);
  for (size_t i = 0; i < count; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0xF];
  }
  return text;
}

std::string Hex32(uint32_t value) {
  char text[12];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

std::string GapKey(size_t offset) {
  std::string key = "@";
  key += std::to_string(offset);
  return key;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Whole-number JSON value; false for anything else or beyond 64 bits.
bool AsInteger(const Json& value, int64_t* out) {
  if (value.is_number_unsigned()) {
    uint64_t number = value.get<uint64_t>();
    if (number > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return false;
    *out = static_cast<int64_t>(number);
    return true;
  }
  if (value.is_number_integer()) {
    *out = value.get<int64_t>();
    return true;
  }
  return false;
}

// True for a whole number too large for 64 signed bits: written as digits
// beyond them, which the JSON reader keeps unsigned or as a double.
bool IsHugeWholeNumber(const Json& value) {
  if (value.is_number_unsigned()) return true;  // AsInteger took those that fit
  if (!value.is_number_float()) return false;
  const double number = value.get<double>();
  return std::isfinite(number) && std::floor(number) == number &&
         std::fabs(number) >= 9223372036854775808.0;
}

// A value as it may appear in a message: short, ASCII only, never raw bytes.
std::string Describe(const Json& value) {
  return Printable(value.dump(-1, ' ', true, Json::error_handler_t::replace), 40);
}

// A key, quoted, as it may appear in a message.
std::string KeyText(const std::string& key) {
  return "\"" + Printable(key, 40) + "\"";
}

// Reads one document, collecting the first problem met.
class Reader {
 public:
  explicit Reader(std::string* error) : error_(error) {}

  bool Fail(const std::string& where, const std::string& problem) {
    *error_ = where.empty() ? problem : where + ": " + problem;
    return false;
  }

  // An integer within [low, high], or a failure naming `where`.
  bool Integer(const Json& value, int64_t low, int64_t high, const std::string& where,
               const char* what, int64_t* out) {
    if (!AsInteger(value, out)) {
      if (IsHugeWholeNumber(value)) {
        return Fail(where, Describe(value) + " does not fit " + what + " (" + std::to_string(low) +
                               ".." + std::to_string(high) + ")");
      }
      // A whole value written with a point or an exponent (1e0) is a number
      // the format writes in digits only.
      const bool whole =
          value.is_number_float() && std::floor(value.get<double>()) == value.get<double>();
      return Fail(where, Describe(value) + (whole ? " is written with a point or an exponent; "
                                                    "whole numbers are written in digits only"
                                                  : " is not a whole number"));
    }
    if (*out < low || *out > high) {
      return Fail(where, std::to_string(*out) + " does not fit " + what + " (" +
                             std::to_string(low) + ".." + std::to_string(high) + ")");
    }
    return true;
  }

  // "0x...." or a plain integer, within 0..max.
  bool HexOrInteger(const Json& value, uint32_t max, const std::string& where, const char* what,
                    uint32_t* out) {
    if (value.is_string()) {
      const std::string& text = value.get_ref<const std::string&>();
      if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X') ||
          text.size() > 18) {
        return Fail(where, Describe(value) + " is not a hexadecimal number such as \"0x8000\"");
      }
      uint64_t number = 0;
      for (size_t i = 2; i < text.size(); ++i) {
        int digit = HexDigit(text[i]);
        if (digit < 0) {
          return Fail(where, Describe(value) + " is not a hexadecimal number such as \"0x8000\"");
        }
        number = (number << 4) | static_cast<uint64_t>(digit);
      }
      if (number > max) return Fail(where, Printable(text) + " does not fit " + what);
      *out = static_cast<uint32_t>(number);
      return true;
    }
    int64_t number = 0;
    if (!Integer(value, 0, max, where, what, &number)) return false;
    *out = static_cast<uint32_t>(number);
    return true;
  }

  bool HexBytes(const Json& value, const std::string& where, Bytes* out) {
    if (!value.is_string()) return Fail(where, "must be a string of hexadecimal digits");
    const std::string& text = value.get_ref<const std::string&>();
    if (text.size() % 2 != 0) {
      return Fail(where,
                  "has an odd number of hexadecimal digits (" + std::to_string(text.size()) + ")");
    }
    out->clear();
    for (size_t i = 0; i < text.size(); i += 2) {
      int high = HexDigit(text[i]), low = HexDigit(text[i + 1]);
      if (high < 0 || low < 0) {
        return Fail(where,
                    "holds \"" + Printable(text.substr(i, 2)) + "\", which is not hexadecimal");
      }
      out->push_back(static_cast<uint8_t>(high << 4 | low));
    }
    return true;
  }

  // Every key of the document but the records' contents: checked when the
  // records begin (when what they need came before them) or at the end.
  bool Header(const Json& root, HostDocument* doc) {
    if (!root.is_object()) return Fail("", "the document must be a JSON object");
    if (!KnownKeys(root)) return false;
    auto format = root.find("format");
    if (format == root.end() || !format->is_string()) {
      return Fail("", std::string("not a quillo document (no \"format\": \"") +
                          DocumentFile::kFormatName + "\")");
    }
    if (format->get_ref<const std::string&>() != DocumentFile::kFormatName) {
      return Fail("format", Describe(*format) + " is not a format this host reads (" +
                                DocumentFile::kFormatName + ")");
    }
    for (const char* key : {"hostVersion", "parts", "records"}) {
      if (!root.contains(key)) return Fail("", std::string("the key \"") + key + "\" is missing");
    }
    if (!HexOrInteger(root["hostVersion"], 0xFFFFFFFF, "hostVersion", "32 bits",
                      &doc->host_version)) {
      return false;
    }
    if (root.contains("documentId") && !DocumentId(root["documentId"], doc)) return false;
    if (!Parts(root["parts"], doc)) return false;
    doc->current_part = doc->parts.front();
    if (root.contains("currentPart") && !CurrentPart(root["currentPart"], doc)) return false;
    if (root.contains("slots") && !Slots(root["slots"], doc)) return false;
    if (!root["records"].is_array()) return Fail("records", "must be a list");
    for (const auto& item : root.items()) checked_.insert(item.key());
    return true;
  }

  // The keys that came after the records, once the document has ended.
  bool LateKeys(const Json& root, HostDocument* doc) {
    if (!KnownKeys(root)) return false;
    auto late = [&](const char* key) { return root.contains(key) && checked_.count(key) == 0; };
    if (late("documentId") && !DocumentId(root["documentId"], doc)) return false;
    if (late("currentPart") && !CurrentPart(root["currentPart"], doc)) return false;
    if (late("slots") && !Slots(root["slots"], doc)) return false;
    return true;
  }

 private:
  bool KnownKeys(const Json& root) {
    static const std::set<std::string> kTopKeys = {
        "format", "hostVersion", "documentId", "parts", "currentPart", "slots", "records"};
    for (const auto& item : root.items()) {
      if (kTopKeys.count(item.key()) == 0) {
        return Fail("", "unknown key " + KeyText(item.key()) + " (a document has: format, " +
                            "hostVersion, documentId, parts, currentPart, slots, records)");
      }
    }
    return true;
  }

  bool DocumentId(const Json& value, HostDocument* doc) {
    int64_t number = 0;
    if (!Integer(value, -32768, 32767, "documentId", "a signed 16-bit id", &number)) return false;
    doc->document_id = static_cast<int16_t>(number);
    return true;
  }

  bool CurrentPart(const Json& value, HostDocument* doc) {
    int64_t number = 0;
    if (!Integer(value, -32768, 32767, "currentPart", "a signed 16-bit part id", &number)) {
      return false;
    }
    doc->current_part = static_cast<int16_t>(number);
    if (parts_.count(doc->current_part) == 0) {
      return Fail("currentPart", std::to_string(number) + " is not one of the parts");
    }
    return true;
  }

  bool Parts(const Json& parts, HostDocument* doc) {
    if (!parts.is_array() || parts.empty()) return Fail("parts", "must be a non-empty list");
    doc->parts.clear();
    for (size_t i = 0; i < parts.size(); ++i) {
      int64_t id = 0;
      std::string where = "parts[" + std::to_string(i) + "]";
      if (!Integer(parts[i], -32768, 32767, where, "a signed 16-bit part id", &id)) return false;
      if (!parts_.insert(static_cast<int16_t>(id)).second) {
        return Fail(where, "part " + std::to_string(id) + " is listed twice");
      }
      doc->parts.push_back(static_cast<int16_t>(id));
    }
    return true;
  }

  bool Slots(const Json& slots, HostDocument* doc) {
    if (!slots.is_array()) return Fail("slots", "must be a list");
    for (size_t i = 0; i < slots.size(); ++i) {
      std::string where = "slots[" + std::to_string(i) + "]";
      const Json& entry = slots[i];
      if (!entry.is_object()) return Fail(where, "must be an object with slot, context, staff");
      for (const auto& item : entry.items()) {
        if (item.key() != "slot" && item.key() != "context" && item.key() != "staff") {
          return Fail(where,
                      "unknown key " + KeyText(item.key()) + " (a slot has: slot, context, staff)");
        }
      }
      int64_t slot = 0, context = 0, staff = 0;
      if (!entry.contains("slot") || !entry.contains("staff")) {
        return Fail(where, "needs \"slot\" and \"staff\"");
      }
      if (!Integer(entry["slot"], 0, 0xFFFF, where + ".slot", "an unsigned 16-bit slot", &slot) ||
          (entry.contains("context") && !Integer(entry["context"], 0, 0xFFFF, where + ".context",
                                                 "an unsigned 16-bit context", &context)) ||
          !Integer(entry["staff"], -32768, 32767, where + ".staff", "a signed 16-bit staff",
                   &staff)) {
        return false;
      }
      auto key = std::make_pair(static_cast<uint16_t>(slot), static_cast<uint16_t>(context));
      if (!doc->slot_to_staff.emplace(key, static_cast<int16_t>(staff)).second) {
        return Fail(where, "slot " + std::to_string(slot) + " context " + std::to_string(context) +
                               " is listed twice");
      }
    }
    return true;
  }

 public:
  // One element of the records list, read into `doc`.
  bool Record(const Json& record, size_t index, HostDocument* doc) {
    std::string where = "records[" + std::to_string(index) + "]";
    if (!record.is_object()) return Fail(where, "must be an object");
    auto tag_value = record.find("tag");
    if (tag_value == record.end()) return Fail(where, "has no \"tag\"");
    uint32_t tag = 0;
    if (!tag_value->is_string() || !ParseTagName(tag_value->get_ref<const std::string&>(), &tag)) {
      return Fail(where, "the tag " + Describe(*tag_value) +
                             " is neither four characters nor 0x followed by eight hex digits");
    }
    if (!RecordLayouts::IsKnownTag(tag)) {
      return Fail(where, "unknown tag \"" + TagName(tag) + "\"");
    }
    int64_t cmper = 0, inci = 0, part = 0;
    if (!record.contains("cmper")) return Fail(where, "has no \"cmper\"");
    if (!Integer(record["cmper"], 0, 0xFFFF, where + ".cmper", "an unsigned 16-bit cmper",
                 &cmper)) {
      return false;
    }
    if (record.contains("inci") &&
        !Integer(record["inci"], 0, 0xFFFF, where + ".inci", "an unsigned 16-bit inci", &inci)) {
      return false;
    }
    where += " (" + TagName(tag) + " " + std::to_string(cmper) + "/" + std::to_string(inci);
    if (IsPartScopedTag(tag)) {
      if (!record.contains("part")) {
        return Fail(where + ")",
                    "has no \"part\"; each part keeps its own " + TagName(tag) + " records");
      }
      if (!Integer(record["part"], -32768, 32767, where + ").part", "a signed 16-bit part id",
                   &part)) {
        return false;
      }
      if (parts_.count(static_cast<int16_t>(part)) == 0) {
        return Fail(where + ").part", std::to_string(part) + " is not one of the parts");
      }
      where += " part " + std::to_string(part);
    } else if (record.contains("part")) {
      return Fail(where + ")",
                  TagName(tag) + " records belong to the whole document; remove \"part\"");
    }
    where += ")";

    if (!RecordLayouts::Exists(tag, doc->host_version)) {
      return Fail(where, RecordLayouts::NoSuchRecord(tag, doc->host_version));
    }
    const RecordLayout& layout = RecordLayouts::Find(tag, doc->host_version);
    Bytes bytes;
    if (!RecordBytes(record, layout, where, &bytes)) return false;
    std::optional<int16_t> scope;
    if (IsPartScopedTag(tag)) scope = static_cast<int16_t>(part);
    uint16_t c = static_cast<uint16_t>(cmper), n = static_cast<uint16_t>(inci);
    if (doc->Find(tag, c, n, scope) != nullptr) {
      return Fail(where, "the same record appears twice");
    }
    doc->Put(tag, c, n, std::move(bytes), scope);
    return true;
  }

 private:
  bool RecordBytes(const Json& record, const RecordLayout& layout, const std::string& where,
                   Bytes* bytes) {
    std::vector<Gap> gaps = layout.Gaps();
    bool whole = record.contains("bytes");
    for (const auto& item : record.items()) {
      const std::string& key = item.key();
      bool address = false;
      for (const char* known : kRecordKeys) address = address || key == known;
      if (address) continue;
      bool in_layout = layout.FindField(key) != nullptr;
      for (const Gap& gap : gaps) in_layout = in_layout || key == GapKey(gap.offset);
      if (!in_layout) {
        return Fail(where, "unknown key " + KeyText(key) + " (" + KeysOf(layout, gaps) + ")");
      }
      if (whole) {
        return Fail(where, "has both \"bytes\" and " + KeyText(key) +
                               "; a record is either whole bytes or fields");
      }
    }
    if (whole) return HexBytes(record["bytes"], where + ".bytes", bytes);

    *bytes = Bytes(layout.size, 0);
    for (const Gap& gap : gaps) {
      auto value = record.find(GapKey(gap.offset));
      if (value == record.end()) continue;
      Bytes piece;
      std::string at = where + "." + GapKey(gap.offset);
      if (!HexBytes(*value, at, &piece)) return false;
      if (piece.size() != gap.size) {
        return Fail(at, "holds " + std::to_string(piece.size()) + " bytes; the " +
                            layout.description + " layout has " + std::to_string(gap.size) +
                            " uninterpreted bytes at offset " + std::to_string(gap.offset));
      }
      std::copy(piece.begin(), piece.end(), bytes->begin() + static_cast<long>(gap.offset));
    }
    for (const FieldLayout& field : layout.fields) {
      auto value = record.find(field.name);
      if (value != record.end() && !Field(*value, field, where + "." + field.name, bytes)) {
        return false;
      }
    }
    return true;
  }

  // Writes one field's value at its offset in `bytes`.
  bool Field(const Json& value, const FieldLayout& field, const std::string& at, Bytes* bytes) {
    switch (field.kind) {
      case FieldKind::kWords:
        if (!value.is_array() || value.size() != field.count) {
          return Fail(at, "must be a list of " + std::to_string(field.count) + " words");
        }
        for (size_t i = 0; i < field.count; ++i) {
          int64_t word = 0;
          if (!Integer(value[i], 0, 0xFFFF, at + "[" + std::to_string(i) + "]",
                       "an unsigned 16-bit word", &word)) {
            return false;
          }
          WriteWord(*bytes, field.offset + 2 * i, static_cast<uint16_t>(word));
        }
        return true;
      case FieldKind::kText:
        return Text(value, field, at, bytes);
      case FieldKind::kBytes: {
        Bytes piece;
        if (!HexBytes(value, at, &piece)) return false;
        if (piece.size() != field.count) {
          return Fail(at, "holds " + std::to_string(piece.size()) + " bytes; the field has " +
                              std::to_string(field.count));
        }
        std::copy(piece.begin(), piece.end(), bytes->begin() + static_cast<long>(field.offset));
        return true;
      }
      case FieldKind::kFlags:
      case FieldKind::kSigned:
      case FieldKind::kUnsigned:
        break;
    }
    const int bits = static_cast<int>(8 * field.number_size);
    const int64_t range = int64_t{1} << bits;
    const std::string width = std::to_string(bits) + "-bit";
    int64_t number = 0;
    if (field.kind == FieldKind::kFlags) {
      uint32_t flags = 0;
      if (!HexOrInteger(value, static_cast<uint32_t>(range - 1), at,
                        ("a " + width + " flag word").c_str(), &flags)) {
        return false;
      }
      number = flags;
    } else if (field.kind == FieldKind::kSigned) {
      if (!Integer(value, -range / 2, range / 2 - 1, at, ("a signed " + width + " field").c_str(),
                   &number)) {
        return false;
      }
    } else if (!Integer(value, 0, range - 1, at, ("an unsigned " + width + " field").c_str(),
                        &number)) {
      return false;
    }
    for (size_t i = 0; i < field.number_size; ++i) {
      (*bytes)[field.offset + i] = static_cast<uint8_t>((number >> (8 * i)) & 0xFF);
    }
    return true;
  }

  // A text field: a string of at most the field's bytes, each character one
  // byte (U+0000 to U+00FF), padded with NUL bytes.
  bool Text(const Json& value, const FieldLayout& field, const std::string& at, Bytes* bytes) {
    if (!value.is_string()) return Fail(at, "must be a string");
    const std::string& text = value.get_ref<const std::string&>();
    Bytes piece;
    for (size_t i = 0; i < text.size(); ++i) {
      const auto lead = static_cast<uint8_t>(text[i]);
      if (lead < 0x80) {
        piece.push_back(lead);
      } else if ((lead == 0xC2 || lead == 0xC3) && i + 1 < text.size()) {
        // The JSON reader has checked the sequence; these leads end below U+0100.
        piece.push_back(static_cast<uint8_t>(((lead & 0x03) << 6) | (text[++i] & 0x3F)));
      } else {
        return Fail(at, Describe(value) +
                            " holds a character past U+00FF; the field holds 8-bit "
                            "text");
      }
    }
    if (piece.size() > field.count) {
      return Fail(at, "holds " + std::to_string(piece.size()) +
                          " characters; the field has room "
                          "for " +
                          std::to_string(field.count));
    }
    std::fill_n(bytes->begin() + static_cast<long>(field.offset), field.count, 0);
    std::copy(piece.begin(), piece.end(), bytes->begin() + static_cast<long>(field.offset));
    return true;
  }

  static std::string KeysOf(const RecordLayout& layout, const std::vector<Gap>& gaps) {
    std::string text = "the " + std::string(layout.description) + " layout of " +
                       std::to_string(layout.size) + " bytes has";
    const char* separator = " ";
    for (const FieldLayout& field : layout.fields) {
      text += separator + std::string(field.name);
      separator = ", ";
    }
    for (const Gap& gap : gaps) {
      text += separator + GapKey(gap.offset);
      separator = ", ";
    }
    return text + ", or \"bytes\" for the whole record";
  }

  std::string* error_;
  std::set<int16_t> parts_;
  std::set<std::string> checked_;  // the top-level keys Header saw
};

void AppendRecord(std::string& out, const RecordKey& key, const Bytes& bytes,
                  uint32_t host_version) {
  out += "{\"tag\": " + Quote(TagName(key.tag)) + ", \"cmper\": " + std::to_string(key.cmper) +
         ", \"inci\": " + std::to_string(key.inci);
  if (key.part != RecordKey::kDocumentWide) out += ", \"part\": " + std::to_string(key.part);
  // A record the host would not keep at this version cannot be written field
  // by field; the reader refuses it either way.
  if (!RecordLayouts::Exists(key.tag, host_version) ||
      bytes.size() != RecordLayouts::Find(key.tag, host_version).size) {
    out += ", \"bytes\": \"" + Hex(bytes.data(), bytes.size()) + "\"}";
    return;
  }
  // Fields and gaps in offset order.
  const RecordLayout& layout = RecordLayouts::Find(key.tag, host_version);
  std::vector<Gap> gaps = layout.Gaps();
  size_t next_gap = 0;
  auto gaps_before = [&](size_t offset) {
    while (next_gap < gaps.size() && gaps[next_gap].offset < offset) {
      const Gap& gap = gaps[next_gap++];
      out +=
          ", \"" + GapKey(gap.offset) + "\": \"" + Hex(bytes.data() + gap.offset, gap.size) + "\"";
    }
  };
  for (const FieldLayout& field : layout.fields) {
    gaps_before(field.offset);
    const std::string value = RecordLayouts::FieldText(bytes, field);
    out += ", \"" + std::string(field.name) + "\": ";
    out += field.kind == FieldKind::kFlags ? "\"" + value + "\"" : value;
  }
  gaps_before(layout.size);
  out += "}";
}

// "line 3, column 7" for the byte at `position`.
std::string LineAndColumn(std::string_view text, size_t position) {
  size_t line = 1, line_start = 0;
  for (size_t i = 0; i < position && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      line_start = i + 1;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(position - line_start + 1);
}

// Reads a document in one pass over its text: builds the JSON values of the
// document's keys, but hands each element of the records list to the Reader
// as soon as it is complete and keeps nothing of it, so that memory follows
// the document read, not its text. While building it checks the nesting
// (within kMaxNesting, counted on its own stack: nothing recurses over the
// input) and that no object holds a key twice. Records that come before the
// keys they need are kept until the end.
class DocumentBuilder : public nlohmann::json_sax<Json> {
 public:
  DocumentBuilder(std::string_view text, HostDocument* doc, std::string* error)
      : text_(text), doc_(doc), error_(error), reader_(error) {}

  // After the parser has run (`parsed`: it reached the end without a
  // syntax error): true when the whole document was read into `doc`.
  bool Finish(bool parsed) {
    if (!parsed || failed_) return false;
    if (!header_read_) {
      if (!reader_.Header(root_, doc_)) return false;
      for (size_t i = 0; i < waiting_.size(); ++i) {
        if (!reader_.Record(waiting_[i], i, doc_)) return false;
      }
      return true;
    }
    return reader_.LateKeys(root_, doc_);
  }

  bool null() override { return Value(Json(nullptr)); }
  bool boolean(bool value) override { return Value(Json(value)); }
  bool number_integer(number_integer_t value) override { return Value(Json(value)); }
  bool number_unsigned(number_unsigned_t value) override { return Value(Json(value)); }
  bool number_float(number_float_t value, const string_t&) override { return Value(Json(value)); }
  bool string(string_t& value) override { return Value(Json(std::move(value))); }
  bool binary(binary_t& value) override { return Value(Json(std::move(value))); }
  bool start_object(std::size_t) override { return Open(Json::object()); }
  bool end_object() override { return Close(); }
  bool start_array(std::size_t) override { return Open(Json::array()); }
  bool end_array() override { return Close(); }

  bool key(string_t& key) override {
    if (stack_.back()->contains(key)) {
      // Rationale: a syntax error further on is reported before this, as
      // the parser stops here; the key is the first problem in the text.
      *error_ = "the key \"" + Printable(key, 40) + "\" appears twice in one object";
      return false;
    }
    key_ = std::move(key);
    return true;
  }

  bool parse_error(std::size_t position, const std::string& token,
                   const nlohmann::detail::exception& error) override {
    if (error.id == kNumberOverflow) {
      *error_ = "not valid JSON: the number at " + LineAndColumn(text_, position) + ", " +
                Printable(token, 40) + ", is too large";
      return false;
    }
    std::string what = error.what();
    size_t start = what.find("] ");
    what = start == std::string::npos ? what : what.substr(start + 2);
    *error_ = "not valid JSON: " + Printable(what, 300);
    return false;
  }

 private:
  static constexpr int kNumberOverflow = 406;  // the JSON reader's error id

  // Puts `value` where the text has it; the value's place, or null when it
  // was a scalar handed over as a record.
  Json* Place(Json&& value) {
    if (stack_.empty()) {
      root_ = std::move(value);
      return &root_;
    }
    Json& parent = *stack_.back();
    if (&parent == records_) {
      if (value.is_structured()) {
        record_ = std::move(value);
        return &record_;
      }
      HandOver(std::move(value));
      return nullptr;
    }
    if (parent.is_array()) {
      parent.push_back(std::move(value));
      return &parent.back();
    }
    Json& slot = parent[key_];
    slot = std::move(value);
    return &slot;
  }

  // Each step answers whether to read on: the parser stops at the first
  // problem the reader finds, not only at the first syntax error.
  bool Value(Json&& value) {
    Place(std::move(value));
    return !failed_;
  }

  bool Open(Json&& container) {
    if (stack_.size() == DocumentFile::kMaxNesting) {
      *error_ = "values are nested deeper than the " + std::to_string(DocumentFile::kMaxNesting) +
                " levels a document may have";
      return false;
    }
    const bool records_begin =
        stack_.size() == 1 && root_.is_object() && key_ == "records" && container.is_array();
    Json* opened = Place(std::move(container));
    stack_.push_back(opened);
    if (records_begin) BeginRecords(opened);
    return !failed_;
  }

  bool Close() {
    Json* closed = stack_.back();
    stack_.pop_back();
    if (closed == &record_) HandOver(std::move(record_));
    return !failed_;
  }

  // The records list begins: when the keys the records need came first,
  // the header is read now and each record as it ends.
  void BeginRecords(Json* records) {
    records_ = records;
    if (!root_.contains("format") || !root_.contains("hostVersion") || !root_.contains("parts")) {
      return;
    }
    header_read_ = true;
    failed_ = !reader_.Header(root_, doc_);
  }

  void HandOver(Json&& record) {
    const size_t index = next_index_++;
    if (failed_) return;
    if (!header_read_) {
      waiting_.push_back(std::move(record));
      return;
    }
    failed_ = !reader_.Record(record, index, doc_);
  }

  std::string_view text_;
  HostDocument* doc_;
  std::string* error_;
  Reader reader_;
  Json root_;
  std::vector<Json*> stack_;  // the open lists and objects, outermost first
  string_t key_;              // the key of the next value in an object
  Json* records_ = nullptr;   // the records list, which stays empty
  Json record_;               // the record being built
  size_t next_index_ = 0;
  bool header_read_ = false;
  bool failed_ = false;        // the reader refused something; parsing stops
  std::vector<Json> waiting_;  // records met before their header, when so
};

}  // namespace

bool DocumentFile::Parse(std::string_view text, HostDocument* document, std::string* error) {
  // Rationale: the JSON reader takes a NUL byte for the end of the text and
  // would ignore what follows it; JSON allows one nowhere.
  size_t nul = text.find('\0');
  if (nul != std::string_view::npos) {
    *error = "not valid JSON: parse error at " + LineAndColumn(text, nul) +
             ": a NUL byte, which JSON allows nowhere";
    return false;
  }
  HostDocument loaded;
  std::string problem;
  DocumentBuilder builder(text, &loaded, &problem);
  const bool parsed = Json::sax_parse(text.begin(), text.end(), &builder);
  if (!builder.Finish(parsed)) {
    *error = problem.empty() ? "not valid JSON" : problem;
    return false;
  }
  document->host_version = loaded.host_version;
  document->document_id = loaded.document_id;
  document->parts = loaded.parts;
  document->current_part = loaded.current_part;
  document->slot_to_staff = loaded.slot_to_staff;
  document->mutable_records() = std::move(loaded.mutable_records());
  return true;
}

std::string DocumentFile::Format(const HostDocument& document) {
  std::string out = "{\n";
  out += "  \"format\": " + Quote(kFormatName) + ",\n";
  out += "  \"hostVersion\": \"" + Hex32(document.host_version) + "\",\n";
  out += "  \"documentId\": " + std::to_string(document.document_id) + ",\n";
  out += "  \"parts\": [";
  for (size_t i = 0; i < document.parts.size(); ++i) {
    out += (i > 0 ? ", " : "") + std::to_string(document.parts[i]);
  }
  out += "],\n";
  out += "  \"currentPart\": " + std::to_string(document.current_part) + ",\n";
  out += "  \"slots\": [";
  const char* separator = "\n    ";
  for (const auto& [key, staff] : document.slot_to_staff) {
    out += separator;
    out += "{\"slot\": " + std::to_string(key.first) +
           ", \"context\": " + std::to_string(key.second) +
           ", \"staff\": " + std::to_string(staff) + "}";
    separator = ",\n    ";
  }
  out += document.slot_to_staff.empty() ? "],\n" : "\n  ],\n";
  out += "  \"records\": [";
  separator = "\n    ";
  for (const auto& [key, bytes] : document.records()) {
    out += separator;
    AppendRecord(out, key, bytes, document.host_version);
    separator = ",\n    ";
  }
  out += document.records().empty() ? "]\n" : "\n  ]\n";
  out += "}\n";
  return out;
}

bool DocumentFile::Load(const std::string& path, HostDocument* document, std::string* error) {
  std::string text, problem;
  if (!ReadTextFile(path, &text, &problem, kMaxBytes) || !Parse(text, document, &problem)) {
    *error = Echo(path) + ": " + problem;
    return false;
  }
  return true;
}

bool DocumentFile::Save(const std::string& path, const HostDocument& document, std::string* error) {
  std::string problem;
  if (!WriteTextFileAtomically(path, Format(document), &problem)) {
    *error = Echo(path) + ": " + problem;
    return false;
  }
  return true;
}

}  // namespace standin
