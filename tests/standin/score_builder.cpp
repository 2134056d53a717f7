#include "tests/standin/score_builder.h"

#include "standin/store/record_layouts.h"

namespace testing_support {

using namespace standin;

namespace {
uint16_t U16(int value) {
  return static_cast<uint16_t>(value);
}
int16_t I16(int value) {
  return static_cast<int16_t>(value);
}
}  // namespace

void ScoreBuilder::Measures(int first, int last, uint16_t flags1, uint16_t flags2) {
  for (int m = first; m <= last; ++m) {
    Bytes record = RecordLayouts::Blank(kMeasureTag, doc_->host_version);
    record[0] = static_cast<uint8_t>(m);
    doc_->Put(kMeasureTag, U16(m), 0, record);
    MeasureFlags(m, flags1, flags2);
  }
}

void ScoreBuilder::MeasureFlags(int number, uint16_t flags1, uint16_t flags2) {
  Bytes record = *doc_->Find(kMeasureTag, U16(number), 0);
  RecordLayouts::Write(record, kMeasureTag, doc_->host_version, "measureFlags1", flags1);
  RecordLayouts::Write(record, kMeasureTag, doc_->host_version, "measureFlags2", flags2);
  doc_->Put(kMeasureTag, U16(number), 0, record);
}

void ScoreBuilder::System(int part, int number, int first, int end, int indent) {
  Bytes record = RecordLayouts::Blank(kStaffSystemTag, doc_->host_version);
  RecordLayouts::Write(record, kStaffSystemTag, 0, "firstMeasure", first);
  RecordLayouts::Write(record, kStaffSystemTag, 0, "endMeasure", end);
  RecordLayouts::Write(record, kStaffSystemTag, 0, "indent", indent);
  doc_->Put(kStaffSystemTag, U16(number), 0, record, I16(part));
}

void ScoreBuilder::Staves(int part, int system, std::initializer_list<int> staves) {
  uint16_t inci = 0;
  for (int staff : staves) {
    Bytes record = RecordLayouts::Blank(kSystemStaffTag, 0);
    RecordLayouts::Write(record, kSystemStaffTag, 0, "staff", staff);
    doc_->Put(kSystemStaffTag, U16(system), inci++, record, I16(part));
  }
}

void ScoreBuilder::Detail(int part, int system, int staff, int value) {
  Bytes record = RecordLayouts::Blank(kStaffDetailTag, 0);
  RecordLayouts::Write(record, kStaffDetailTag, 0, "detailValue", value);
  doc_->Put(kStaffDetailTag, U16(system), U16(staff), record, I16(part));
}

void ScoreBuilder::Frozen(int part, int first, int end) {
  Bytes record = RecordLayouts::Blank(kFrozenSystemTag, 0);
  RecordLayouts::Write(record, kFrozenSystemTag, 0, "endMeasure", end);
  doc_->Put(kFrozenSystemTag, U16(first), 0, record, I16(part));
}

void ScoreBuilder::Rest(int part, int first, int end) {
  Bytes record = RecordLayouts::Blank(kRestTag, 0);
  record[0] = 0x2C;  // word 0: 300
  record[1] = 0x01;
  RecordLayouts::Write(record, kRestTag, 0, "endMeasure", end);
  doc_->Put(kRestTag, U16(first), 0, record, I16(part));
}

void ScoreBuilder::Region(int cmper, int first, int end, int cleared) {
  Bytes record = RecordLayouts::Blank(kRegionTag, doc_->host_version);
  RecordLayouts::Write(record, kRegionTag, doc_->host_version, "firstMeasure", first);
  RecordLayouts::Write(record, kRegionTag, doc_->host_version, "endMeasure", end);
  RecordLayouts::Write(record, kRegionTag, doc_->host_version, "clearedOnSplit", cleared);
  doc_->Put(kRegionTag, U16(cmper), 0, record);
}

void ScoreBuilder::SplitGate(int value) {
  Bytes record = RecordLayouts::Blank(kSplitGateSettingTag, 0);
  RecordLayouts::Write(record, kSplitGateSettingTag, 0, "words", value, kSplitGateWord);
  doc_->Put(kSplitGateSettingTag, kSettingCmper, 0, record);
}

}  // namespace testing_support
