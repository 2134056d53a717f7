// Selection: the host's 20-byte selection record, as the quillo program
// builds it for a command from measure and slot ranges.
//
// Record layout (host format, little-endian, no gaps):
//   StartSlotContext:u16@0 StartSlot:u16@2 StartMeasure:s16@4 StartPosition:u32@6
//   EndSlotContext:u16@10 EndSlot:u16@12 EndMeasure:s16@14 EndPosition:u32@16
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "standin/store/host_document.h"

namespace standin {

// A range of numbers as written on the command line: "9", "9-12", or "all".
struct NumberRange {
  bool all = false;
  int first = 0;
  int last = 0;
};

struct Selection {
  static constexpr size_t kRecordSize = 20;
  // Byte offsets of the record's fields.
  static constexpr size_t kStartSlotContextAt = 0;
  static constexpr size_t kStartSlotAt = 2;
  static constexpr size_t kStartMeasureAt = 4;
  static constexpr size_t kStartPositionAt = 6;
  static constexpr size_t kEndSlotContextAt = 10;
  static constexpr size_t kEndSlotAt = 12;
  static constexpr size_t kEndMeasureAt = 14;
  static constexpr size_t kEndPositionAt = 16;
  // Whole measures: from the start of the first to the end of the last.
  static constexpr uint32_t kMeasureStart = 0;
  static constexpr uint32_t kMeasureEnd = 0x7FFFFFFF;

  uint16_t start_slot_context = 0;
  uint16_t start_slot = 0;
  int16_t start_measure = 0;
  uint32_t start_position = kMeasureStart;
  uint16_t end_slot_context = 0;
  uint16_t end_slot = 0;
  int16_t end_measure = 0;
  uint32_t end_position = kMeasureEnd;

  std::array<uint8_t, kRecordSize> Encode() const;

  // Parses "9", "9-12" (also with an en dash) or, when `allow_all`, "all".
  // On failure returns nothing with `error` saying why, without quoting
  // `text` (the caller quotes it as its messages do).
  static std::optional<NumberRange> ParseRange(const std::string& text, bool allow_all,
                                               std::string* error);

  // The selection of `measures` and `slots` in `document`: measures must be
  // measure records of the document, slots entries of its slot table ("all"
  // or no slots: its first and last entry). On failure returns nothing with
  // `error` saying what lies outside the document.
  static std::optional<Selection> InDocument(const HostDocument& document,
                                             const NumberRange& measures,
                                             const std::optional<NumberRange>& slots,
                                             std::string* error);
};

}  // namespace standin
