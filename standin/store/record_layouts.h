// RecordLayouts: what the stand-in host knows of the bytes of the records it
// keeps, by tag and host version.
//
// This is the host's own description, written apart from the module's record
// classes (it never includes them), so that the document files, the terminal
// picture and the differences between documents check the module rather than
// repeat it. Each kind of record is one row: its tag, how the host addresses
// and reports it, and its layouts by host version. A layout names the fields
// that the host gives a meaning and leaves every other byte as an
// uninterpreted gap; the tables are static data and nothing here owns a
// record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "standin/store/host_document.h"

namespace standin {

// Record tags. These numbers are the host's and must not be changed.
inline constexpr uint32_t kMeasureTag = MakeTag("SOMS");
inline constexpr uint32_t kStaffSystemTag = MakeTag("SOSS");
inline constexpr uint32_t kSystemStaffTag = MakeTag("SOIu");
inline constexpr uint32_t kStaffDetailTag = MakeTag("dtLP");
inline constexpr uint32_t kFrozenSystemTag = MakeTag("otFM");
inline constexpr uint32_t kPartTag = MakeTag("otpD");
inline constexpr uint32_t kRegionTag = MakeTag("SOMN");
inline constexpr uint32_t kEnclosureTag = MakeTag("otDe");
inline constexpr uint32_t kRestTag = 0x4F025849;  // 'O', 2, 'X', 'I'
inline constexpr uint32_t kRestSettingsTag = MakeTag("ot25");
inline constexpr uint32_t kSplitGateSettingTag = MakeTag("ot83");

// Setting records sit at this cmper; the rest split gate is word 4 of the
// 'ot83' record at (kSettingCmper, 0): 0 means rests are split at a new piece.
inline constexpr uint16_t kSettingCmper = 0xFFFE;
inline constexpr size_t kSplitGateWord = 4;

// The host version of a document that does not say otherwise.
inline constexpr uint32_t kCurrentHostVersion = 0x19000000;

// How a field is read and how a document file writes it. Numbers are one
// or two bytes, little-endian; text and raw bytes are `count` bytes long.
enum class FieldKind {
  kSigned,    // signed number, written as a number
  kUnsigned,  // unsigned number, written as a number
  kFlags,     // flag word, written in hexadecimal ("0x8C00")
  kWords,     // `count` unsigned 16-bit words, written as a list
  kText,      // 8-bit text, padded with NUL bytes, written as a string
  kBytes,     // raw bytes, written in hexadecimal
};

struct FieldLayout {
  const char* name;
  size_t offset;
  FieldKind kind;
  size_t count = 1;        // words of a kWords field, bytes of kText and kBytes; 1 otherwise
  size_t number_size = 2;  // bytes of a kSigned, kUnsigned or kFlags field: 1 or 2
  // Bytes of one element: a word, a number, or a byte of text.
  size_t element_size() const {
    return kind == FieldKind::kText || kind == FieldKind::kBytes ? 1
           : kind == FieldKind::kWords                           ? 2
                                                                 : number_size;
  }
  size_t width() const { return count * element_size(); }
  // True for the kinds a value of which is one number per element.
  bool numeric() const { return kind != FieldKind::kText && kind != FieldKind::kBytes; }
};

// A run of bytes that the layout does not interpret.
struct Gap {
  size_t offset;
  size_t size;
};

// One or more bits of a flag field that the host gives one meaning, from
// host version `from_version` up to, but not including, `until_version`.
// Outside those versions the host neither sets nor reads them, and keeps them
// as they are.
struct FlagLayout {
  uint32_t tag;
  const char* field;  // the kFlags field that holds the bits
  const char* name;
  uint16_t mask;
  uint32_t from_version = 0;
  uint64_t until_version = uint64_t{1} << 32;  // past every version

  bool MeansSomethingAt(uint32_t host_version) const {
    return host_version >= from_version && host_version < until_version;
  }
};

// A record of another tag kept inside this one: the inner tag's layout's
// bytes, starting at `offset`. Several may share the same bytes.
struct InnerRecord {
  const char* name;
  size_t offset;
  uint32_t tag;
};

// A word that a record newly made by the host holds in a gap: not a field
// (documents show it among the gap's bytes), but part of the host's format.
struct NewRecordWord {
  size_t offset;
  uint16_t value;
};

// How the host addresses the records of one kind.
enum class Addressing {
  kByMeasure,        // cmper: the measure it belongs to; inci 0
  kByNumber,         // cmper: the record's own number; inci 0
  kByNumberAndInci,  // cmper and inci: an entry of a numbered list
  kSetting,          // a setting, at kSettingCmper
};

// Where the quillo program's `show` and `diff` put a kind's records.
enum class Report {
  kOwnPicture,  // drawn and matched by code of its own (systems, regions, ...)
  kOneByOne,    // compared one record at a time by diff, not listed by show
  kListed,      // listed by show under its cmper and compared field by field
};

// One layout of a kind: the bytes of its records from a host version on.
struct LayoutRow {
  // The first host version that keeps the record in this layout; it holds
  // until the next layout of the same kind begins.
  uint32_t from_version;
  size_t size;                      // bytes of a record in this layout
  std::vector<FieldLayout> fields;  // in offset order, not overlapping
  // Records kept inside this one, by name; their bytes lie in the gaps.
  std::vector<InnerRecord> inner = {};
  // The gap words of a record the host makes anew; every other byte is 0.
  std::vector<NewRecordWord> new_record = {};

  // The field called `name`, or null.
  const FieldLayout* FindField(std::string_view name) const;
  // The bytes between and after the fields, in offset order.
  std::vector<Gap> Gaps() const;
};

// One kind of record: its tag, how it is addressed and kept, and its
// layouts in ascending host version. The host knows no record of the kind
// before its first layout's version.
struct RecordKind {
  uint32_t tag;
  const char* description;  // "measure", "staff system", ...
  Addressing addressing;
  bool part_scoped;  // each part keeps its own records of the kind
  Report report;
  std::vector<LayoutRow> layouts;

  uint32_t first_version() const { return layouts.front().from_version; }
};

// A layout together with its kind's tag and description.
struct RecordLayout : LayoutRow {
  uint32_t tag = 0;
  const char* description = "";
  const RecordKind* kind = nullptr;
};

// Little-endian 16-bit word at `offset`. REQUIRES: offset + 2 <= bytes.size().
uint16_t ReadWord(const Bytes& bytes, size_t offset);
void WriteWord(Bytes& bytes, size_t offset, uint16_t value);

class RecordLayouts {
 public:
  // Tests only: adds `kind`, whose tag is not in the table, as its last row
  // while the object lives, so that a test can try a kind of record the host
  // does not have yet. Layouts handed out before (All, Find) are invalid
  // once it is made or ended. One at a time, on one thread.
  class ScopedKind {
   public:
    explicit ScopedKind(RecordKind kind);
    ~ScopedKind();
    ScopedKind(const ScopedKind&) = delete;
    ScopedKind& operator=(const ScopedKind&) = delete;
  };

  // Every kind of record the host keeps, each once, in the table's order.
  static const std::deque<RecordKind>& Kinds();
  // The kind of `tag` records, or null for a tag the host does not know.
  static const RecordKind* Kind(uint32_t tag);

  // Every layout the host has used: grouped by tag, each tag's layouts in
  // ascending from_version.
  static const std::vector<RecordLayout>& All();

  // The host versions from which some record is kept in another layout,
  // ascending, 0 first: each begins a range of versions in which every
  // record keeps one layout.
  static std::vector<uint32_t> LayoutRangeStarts();

  // The host versions worth running a module at: each layout range's first
  // version and the one before it, the same around every version at which a
  // flag begins or ends to mean something, and kCurrentHostVersion;
  // ascending, no repeats.
  static std::vector<uint32_t> VersionsToTry();

  // Every flag the host gives a meaning, grouped by tag and field.
  static const std::vector<FlagLayout>& Flags();
  // The flag `name` of field `field` of `tag` records. REQUIRES: it exists
  // (a misspelt name is a programming error and aborts).
  static const FlagLayout& Flag(uint32_t tag, std::string_view field, std::string_view name);
  // The bits of the named flags of one field, or-ed.
  static uint16_t Mask(uint32_t tag, std::string_view field,
                       std::initializer_list<std::string_view> names);
  // True when every bit of the flag is set in the record; false also when
  // the record is too short to hold its field.
  static bool HasFlag(const Bytes& bytes, uint32_t tag, uint32_t host_version,
                      std::string_view field, std::string_view name);
  // Sets or clears the flag's bits, leaving every other bit of the field.
  // False, writing nothing, when the record is too short.
  static bool SetFlag(Bytes& bytes, uint32_t tag, uint32_t host_version, std::string_view field,
                      std::string_view name, bool on);

  // The record `name` kept inside `tag` records at `host_version`, or null.
  static const InnerRecord* FindInner(uint32_t tag, uint32_t host_version, std::string_view name);

  // True for every tag the stand-in host keeps records of.
  static bool IsKnownTag(uint32_t tag);
  // True when a host of `host_version` keeps records of `tag`: a known tag
  // from its kind's first version on.
  static bool Exists(uint32_t tag, uint32_t host_version);
  // Why a host of `host_version` has no `tag` records, in one line ("no such
  // record on this host: ..."), for a tag for which Exists is false.
  static std::string NoSuchRecord(uint32_t tag, uint32_t host_version);
  // True for the tags whose records each part keeps for itself.
  static bool IsPartScoped(uint32_t tag);

  // The layout of `tag` records in a document of `host_version`.
  // REQUIRES: Exists(tag, host_version); asking otherwise is a programming
  // error and aborts with NoSuchRecord's line.
  static const RecordLayout& Find(uint32_t tag, uint32_t host_version);

  // Element `index` of field `name` of a `tag` record (a word, a number, a
  // byte of text), read as the field's kind reads it (sign-extended for
  // kSigned). Nothing when the host has no such record or field at
  // `host_version` or the record is too short to hold it.
  static std::optional<int32_t> Read(const Bytes& bytes, uint32_t tag, uint32_t host_version,
                                     std::string_view name, size_t index = 0);

  // Writes the low bytes of `value` into element `index` of field `name`.
  // Returns false, writing nothing, when there is no such field or the
  // record is too short.
  static bool Write(Bytes& bytes, uint32_t tag, uint32_t host_version, std::string_view name,
                    int32_t value, size_t index = 0);

  // A zero-filled record of the layout's size. REQUIRES: Exists(tag,
  // host_version), as for New.
  static Bytes Blank(uint32_t tag, uint32_t host_version);
  // A record as the host makes it anew: zeros but for the layout's
  // new_record words.
  static Bytes New(uint32_t tag, uint32_t host_version);

  // The value of a field's element as its kind reads it.
  // REQUIRES: the record holds the field.
  static int32_t FieldValue(const Bytes& bytes, const FieldLayout& field, size_t index = 0);
  // A field's value as a document file writes it and the quillo program
  // prints it: a number, 0x8C00 (which a document quotes), [1, 2, 3], a
  // quoted string (bytes outside printable ASCII as \u00XX, the NUL padding
  // left out) or quoted hexadecimal. REQUIRES: the record holds the field.
  static std::string FieldText(const Bytes& bytes, const FieldLayout& field);
};

// Short names of the piece marks and of the versions from which they mean
// something, read from the flag table.
inline const uint16_t kPieceStartFlag1 =
    RecordLayouts::Flag(kMeasureTag, "measureFlags1", "pieceStart").mask;
inline const uint16_t kPieceStartFlag2 =
    RecordLayouts::Flag(kMeasureTag, "measureFlags2", "pieceStart").mask;
inline const uint16_t kPieceEndFlag1 =
    RecordLayouts::Flag(kMeasureTag, "measureFlags1", "pieceEnd").mask;
inline const uint16_t kPieceStartMarkFlag1 =
    RecordLayouts::Flag(kMeasureTag, "measureFlags1", "pieceStartMark").mask;
// From this version on the host marks a piece start completely.
inline const uint32_t kPieceMarksFrom =
    RecordLayouts::Flag(kMeasureTag, "measureFlags1", "pieceStartMark").from_version;
// From this version on the host keeps measures in their longer layout, the
// one of kCurrentHostVersion.
inline const uint32_t kLongMeasuresFrom =
    RecordLayouts::Find(kMeasureTag, kCurrentHostVersion).from_version;
// From this version on every system of a part keeps a staff list of its own
// (before it, only a system whose ownStaffList flag is set).
inline const uint32_t kOwnStaffListsFrom = static_cast<uint32_t>(
    RecordLayouts::Flag(kStaffSystemTag, "systemFlags", "ownStaffList").until_version);

}  // namespace standin
