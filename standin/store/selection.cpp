#include "standin/store/selection.h"

#include <algorithm>
#include <cstdlib>

#include "standin/store/record_layouts.h"

namespace standin {
namespace {

void PutU16(uint8_t* bytes, size_t offset, uint16_t value) {
  bytes[offset] = static_cast<uint8_t>(value & 0xFF);
  bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(uint8_t* bytes, size_t offset, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

bool ParseNumber(const std::string& text, int* out) {
  if (text.empty() || text.size() > 6) return false;
  size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  for (size_t j = i; j < text.size(); ++j) {
    if (text[j] < '0' || text[j] > '9') return false;
  }
  *out = std::atoi(text.c_str());
  return true;
}

}  // namespace

std::array<uint8_t, Selection::kRecordSize> Selection::Encode() const {
  std::array<uint8_t, kRecordSize> record{};
  PutU16(record.data(), kStartSlotContextAt, start_slot_context);
  PutU16(record.data(), kStartSlotAt, start_slot);
  PutU16(record.data(), kStartMeasureAt, static_cast<uint16_t>(start_measure));
  PutU32(record.data(), kStartPositionAt, start_position);
  PutU16(record.data(), kEndSlotContextAt, end_slot_context);
  PutU16(record.data(), kEndSlotAt, end_slot);
  PutU16(record.data(), kEndMeasureAt, static_cast<uint16_t>(end_measure));
  PutU32(record.data(), kEndPositionAt, end_position);
  return record;
}

std::optional<NumberRange> Selection::ParseRange(const std::string& text, bool allow_all,
                                                 std::string* error) {
  if (allow_all && text == "all") return NumberRange{true, 0, 0};
  std::string first = text, last = text;
  const std::string kEnDash = "\u2013";
  size_t dash = text.find(kEnDash);
  size_t dash_size = kEnDash.size();
  if (dash == std::string::npos) {
    dash = text.find('-', 1);
    dash_size = 1;
  }
  if (dash != std::string::npos) {
    first = text.substr(0, dash);
    last = text.substr(dash + dash_size);
  }
  NumberRange range;
  if (!ParseNumber(first, &range.first) || !ParseNumber(last, &range.last)) {
    *error = std::string("is not a number or a range such as 9-12") + (allow_all ? " or all" : "");
    return std::nullopt;
  }
  if (range.last < range.first) {
    *error = "ends before it begins";
    return std::nullopt;
  }
  return range;
}

std::optional<Selection> Selection::InDocument(const HostDocument& document,
                                               const NumberRange& measures,
                                               const std::optional<NumberRange>& slots,
                                               std::string* error) {
  int lowest = 0x10000, highest = -1;
  for (const auto& [key, bytes] : document.records()) {
    if (key.tag != kMeasureTag || key.inci != 0) continue;
    lowest = std::min<int>(lowest, key.cmper);
    highest = std::max<int>(highest, key.cmper);
  }
  if (highest < 0) {
    *error = "the document has no measures to select";
    return std::nullopt;
  }
  Selection selection;
  int first = measures.all ? lowest : measures.first;
  int last = measures.all ? highest : measures.last;
  for (int m : {first, last}) {
    if (m < 0 || m > 0xFFFF || document.Find(kMeasureTag, static_cast<uint16_t>(m), 0) == nullptr) {
      *error = "measure " + std::to_string(m) + " is outside the document (its measures are " +
               std::to_string(lowest) + " to " + std::to_string(highest) + ")";
      return std::nullopt;
    }
  }
  if (first > 0x7FFF || last > 0x7FFF) {
    *error = "measure " + std::to_string(last) + " does not fit the selection's 16-bit measure";
    return std::nullopt;
  }
  selection.start_measure = static_cast<int16_t>(first);
  selection.end_measure = static_cast<int16_t>(last);
  if (document.slot_to_staff.empty()) {
    if (slots && !slots->all) {
      *error = "the document has no slot table to select slots from";
      return std::nullopt;
    }
    return selection;
  }
  auto first_entry = document.slot_to_staff.begin()->first;
  auto last_entry = document.slot_to_staff.rbegin()->first;
  if (slots && !slots->all) {
    auto find = [&](int slot) -> std::optional<std::pair<uint16_t, uint16_t>> {
      for (const auto& [key, staff] : document.slot_to_staff) {
        if (key.first == slot) return key;
      }
      return std::nullopt;
    };
    auto start = find(slots->first), end = find(slots->last);
    if (!start || !end) {
      *error = "slot " + std::to_string(start ? slots->last : slots->first) +
               " is not in the document's slot table (its slots are " +
               std::to_string(first_entry.first) + " to " + std::to_string(last_entry.first) + ")";
      return std::nullopt;
    }
    first_entry = *start;
    last_entry = *end;
  }
  selection.start_slot = first_entry.first;
  selection.start_slot_context = first_entry.second;
  selection.end_slot = last_entry.first;
  selection.end_slot_context = last_entry.second;
  return selection;
}

}  // namespace standin
