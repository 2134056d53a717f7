// RecordLayouts: what the stand-in host knows of the bytes of the records it
// keeps, by tag and host version.
//
// This is the host's own description, written apart from the module's record
// classes (it never includes them), so that the document files, the terminal
// picture and the differences between documents check the module rather than
// repeat it. A layout names the 16-bit fields that the host gives a meaning
// and leaves every other byte as an uninterpreted gap; the tables are static
// data and nothing here owns a record.
#pragma once

#include <cstddef>
#include <cstdint>
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

// Measure flag bits that mark where pieces begin and end.
inline constexpr uint16_t kPieceStartFlag1 = 0x8000;  // in measureFlags1
inline constexpr uint16_t kPieceStartFlag2 = 0x8000;  // in measureFlags2
inline constexpr uint16_t kPieceEndFlag1 = 0x4000;    // in measureFlags1

// Host versions at which the host marks pieces differently. The versions at
// which a record's layout changes are the `from_version`s of the table in
// record_layouts.cpp, and nowhere else.
// From this version on the host marks a piece start completely: the mark bit
// below, in measureFlags1, besides kPieceStartFlag1.
inline constexpr uint32_t kPieceMarksFrom = 0x10000000;
inline constexpr uint16_t kPieceStartMarkFlag1 = 0x0800;
// From this version on every system of a part keeps a staff list of its own.
inline constexpr uint32_t kOwnStaffListsFrom = 0x10000000;
// The host version of a document that does not say otherwise.
inline constexpr uint32_t kCurrentHostVersion = 0x19000000;

// How a field is read and how a document file writes it.
enum class FieldKind {
  kSigned,    // signed 16-bit number
  kUnsigned,  // unsigned 16-bit number
  kFlags,     // 16-bit flag word, written in hexadecimal ("0x8C00")
  kWords,     // `count` unsigned 16-bit words, written as a list
};

struct FieldLayout {
  const char* name;
  size_t offset;
  FieldKind kind;
  size_t count = 1;  // words of a kWords field; 1 otherwise
  size_t width() const { return 2 * count; }
};

// A run of bytes that the layout does not interpret.
struct Gap {
  size_t offset;
  size_t size;
};

struct RecordLayout {
  uint32_t tag;
  const char* description;  // "measure", "staff system", ...
  // The first host version that keeps the record in this layout; it holds
  // until the next layout of the same tag begins.
  uint32_t from_version;
  size_t size;                      // bytes of a record in this layout
  std::vector<FieldLayout> fields;  // in offset order, not overlapping

  // The field called `name`, or null.
  const FieldLayout* FindField(std::string_view name) const;
  // The bytes between and after the fields, in offset order.
  std::vector<Gap> Gaps() const;
};

// Little-endian 16-bit word at `offset`. REQUIRES: offset + 2 <= bytes.size().
uint16_t ReadWord(const Bytes& bytes, size_t offset);
void WriteWord(Bytes& bytes, size_t offset, uint16_t value);

class RecordLayouts {
 public:
  // Every layout the host has used: grouped by tag, each tag's layouts in
  // ascending from_version, the first from version 0.
  static const std::vector<RecordLayout>& All();

  // The host versions from which some record is kept in another layout,
  // ascending, 0 first: each begins a range of versions in which every
  // record keeps one layout.
  static std::vector<uint32_t> LayoutRangeStarts();

  // The host versions worth running a module at: each layout range's first
  // version and the one before it, the same around kPieceMarksFrom and
  // kOwnStaffListsFrom, and kCurrentHostVersion; ascending, no repeats.
  static std::vector<uint32_t> VersionsToTry();

  // True for every tag the stand-in host keeps records of.
  static bool IsKnownTag(uint32_t tag);

  // The layout of `tag` records in a document of `host_version`, or null for
  // a tag the host does not know.
  static const RecordLayout* Find(uint32_t tag, uint32_t host_version);

  // Word `index` of field `name` of a `tag` record, read as the field's kind
  // reads it (sign-extended for kSigned). Nothing when the layout has no such
  // field or the record is too short to hold it.
  static std::optional<int32_t> Read(const Bytes& bytes, uint32_t tag, uint32_t host_version,
                                     std::string_view name, size_t index = 0);

  // Writes the low 16 bits of `value` into word `index` of field `name`.
  // Returns false, writing nothing, when there is no such field or the
  // record is too short.
  static bool Write(Bytes& bytes, uint32_t tag, uint32_t host_version, std::string_view name,
                    int32_t value, size_t index = 0);

  // A zero-filled record of the layout's size.
  static Bytes Blank(uint32_t tag, uint32_t host_version);

  // The value of a field's word as its kind reads it.
  static int32_t FieldValue(const Bytes& bytes, const FieldLayout& field, size_t index = 0);
};

}  // namespace standin
