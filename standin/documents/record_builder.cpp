#include "standin/documents/record_builder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

namespace standin {
namespace {

[[noreturn]] void Unknown(uint32_t tag, uint32_t version, std::string_view what) {
  std::fprintf(stderr, "%s records at host version 0x%08X have no %.*s\n", TagName(tag).c_str(),
               static_cast<unsigned>(version), static_cast<int>(what.size()), what.data());
  std::abort();
}

}  // namespace

RecordBuilder::RecordBuilder(uint32_t tag, uint32_t host_version, Bytes gaps)
    : tag_(tag),
      version_(host_version),
      layout_(&RecordLayouts::Find(tag, host_version)),
      bytes_(std::move(gaps)) {
  if (bytes_.empty()) bytes_ = RecordLayouts::New(tag, host_version);
  bytes_.resize(layout_->size, 0);
}

RecordBuilder& RecordBuilder::Set(std::string_view field, int32_t value, size_t index) {
  if (!RecordLayouts::Write(bytes_, tag_, version_, field, value, index))
    Unknown(tag_, version_, field);
  return *this;
}

RecordBuilder& RecordBuilder::Text(std::string_view field, std::string_view text) {
  const FieldLayout* layout = layout_->FindField(field);
  if (layout == nullptr || layout->numeric() || text.size() > layout->count)
    Unknown(tag_, version_, field);
  std::fill_n(bytes_.begin() + static_cast<long>(layout->offset), layout->count, 0);
  std::copy(text.begin(), text.end(), bytes_.begin() + static_cast<long>(layout->offset));
  return *this;
}

RecordBuilder& RecordBuilder::Flag(std::string_view field, std::string_view flag, bool on) {
  // The record has its layout's size, and every layout of a kind holds the
  // fields its flags live in, so the flag is always written.
  RecordLayouts::SetFlag(bytes_, tag_, version_, field, flag, on);
  return *this;
}

RecordBuilder& RecordBuilder::Inner(std::string_view name, const Bytes& record) {
  const InnerRecord* inner = RecordLayouts::FindInner(tag_, version_, name);
  if (inner == nullptr) Unknown(tag_, version_, name);
  const size_t size = RecordLayouts::Find(inner->tag, version_).size;
  for (size_t i = 0; i < size && i < record.size(); ++i) bytes_[inner->offset + i] = record[i];
  return *this;
}

RecordBuilder& RecordBuilder::GapWord(size_t gap, size_t word, uint16_t value) {
  const std::vector<Gap> gaps = layout_->Gaps();
  if (gap >= gaps.size()) Unknown(tag_, version_, "such gap");
  if (2 * word + 2 <= gaps[gap].size) WriteWord(bytes_, gaps[gap].offset + 2 * word, value);
  return *this;
}

Bytes FilledRecord(uint32_t tag, uint32_t host_version, uint8_t byte) {
  Bytes bytes = RecordLayouts::Blank(tag, host_version);
  std::fill(bytes.begin(), bytes.end(), byte);
  return bytes;
}

Bytes MeasureRecord(uint32_t host_version, uint16_t flags1, uint16_t flags2, Bytes gaps) {
  return RecordBuilder(kMeasureTag, host_version, std::move(gaps))
      .Set("measureFlags1", flags1)
      .Set("measureFlags2", flags2);
}

Bytes StaffSystemRecord(uint32_t host_version, const SystemFields& fields, Bytes gaps) {
  return RecordBuilder(kStaffSystemTag, host_version, std::move(gaps))
      .Set("indent", fields.indent)
      .Set("firstMeasure", fields.first)
      .Set("endMeasure", fields.end)
      .Flag("systemFlags", "ownStaffList", fields.own_staff_list);
}

Bytes SystemStaffRecord(uint32_t host_version, int staff, Bytes gaps) {
  return RecordBuilder(kSystemStaffTag, host_version, std::move(gaps)).Set("staff", staff);
}

Bytes StaffDetailRecord(uint32_t host_version, int value, Bytes gaps) {
  return RecordBuilder(kStaffDetailTag, host_version, std::move(gaps)).Set("detailValue", value);
}

Bytes FrozenSystemRecord(uint32_t host_version, int end, Bytes gaps) {
  return RecordBuilder(kFrozenSystemTag, host_version, std::move(gaps)).Set("endMeasure", end);
}

Bytes RestRecord(uint32_t host_version, int end, Bytes gaps) {
  return RecordBuilder(kRestTag, host_version, std::move(gaps)).Set("endMeasure", end);
}

Bytes RegionRecord(uint32_t host_version, const RegionFields& fields, Bytes gaps) {
  return RecordBuilder(kRegionTag, host_version, std::move(gaps))
      .Set("firstMeasure", fields.first)
      .Set("endMeasure", fields.end)
      .Set("clearedOnSplit", fields.cleared_on_split);
}

Bytes SettingRecord(uint32_t tag, uint32_t host_version, const std::array<uint16_t, 6>& words) {
  RecordBuilder record(tag, host_version);
  for (size_t i = 0; i < words.size(); ++i) record.Set("words", words[i], i);
  return record;
}

}  // namespace standin
