// Builders of host records by meaning, for the examples, generated scores,
// tests, fuzzers and benchmarks.
//
// Every builder works through the host's description of the records
// (standin/store/record_layouts): it sizes the record for the host version,
// writes the fields and flags by name, and leaves the bytes the description
// does not name as the caller's `gaps` record holds them (zero past its end;
// as in a record the host makes anew when it is empty). Nothing outside the description spells a
// record's size, a field's offset or a flag's bits.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "standin/store/record_layouts.h"

namespace standin {

// One record of `tag` at `host_version`, written by name; any kind of the
// description is built this way. A name the description does not know, or a
// kind the host does not keep at that version, is a programming error and
// aborts.
class RecordBuilder {
 public:
  RecordBuilder(uint32_t tag, uint32_t host_version, Bytes gaps = {});

  RecordBuilder& Set(std::string_view field, int32_t value, size_t index = 0);
  // A text or raw-bytes field: `text`'s bytes, the rest of the field NUL.
  RecordBuilder& Text(std::string_view field, std::string_view text);
  RecordBuilder& Flag(std::string_view field, std::string_view flag, bool on = true);
  // The bytes of the record `name` kept inside this one.
  RecordBuilder& Inner(std::string_view name, const Bytes& record);
  // Word `word` of the layout's gap `gap` (gaps in offset order): a value
  // the host keeps there that nothing interprets. A word past the gap's end
  // is not written.
  RecordBuilder& GapWord(size_t gap, size_t word, uint16_t value);

  const Bytes& bytes() const { return bytes_; }
  operator Bytes() const { return bytes_; }  // NOLINT: a builder stands for its record

 private:
  uint32_t tag_;
  uint32_t version_;
  const RecordLayout* layout_;
  Bytes bytes_;
};

// A record of the layout's size with every byte `byte`: gaps that a test
// recognises when they are carried along.
Bytes FilledRecord(uint32_t tag, uint32_t host_version, uint8_t byte);

// One builder per record kind. `gaps` supplies the bytes no field covers.

// A measure with both flag words.
Bytes MeasureRecord(uint32_t host_version, uint16_t flags1, uint16_t flags2, Bytes gaps = {});

// The other bits of systemFlags are carried from `gaps`.
struct SystemFields {
  int first = 1;
  int end = 2;
  int indent = 0;
  bool own_staff_list = false;
};
Bytes StaffSystemRecord(uint32_t host_version, const SystemFields& fields, Bytes gaps = {});

Bytes SystemStaffRecord(uint32_t host_version, int staff, Bytes gaps = {});
Bytes StaffDetailRecord(uint32_t host_version, int value, Bytes gaps = {});
Bytes FrozenSystemRecord(uint32_t host_version, int end, Bytes gaps = {});
Bytes RestRecord(uint32_t host_version, int end, Bytes gaps = {});

struct RegionFields {
  int first = 1;
  int end = 2;
  int cleared_on_split = 1;
};
Bytes RegionRecord(uint32_t host_version, const RegionFields& fields, Bytes gaps = {});

// A setting record ('ot25', 'ot83') of its words.
Bytes SettingRecord(uint32_t tag, uint32_t host_version, const std::array<uint16_t, 6>& words);

}  // namespace standin
