#include "tests/standin/score_builder.h"

#include <array>

#include "standin/documents/record_builder.h"
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
    Bytes gaps = RecordBuilder(kMeasureTag, doc_->host_version).GapWord(0, 0, U16(m) & 0xFF);
    doc_->Put(kMeasureTag, U16(m), 0, MeasureRecord(doc_->host_version, flags1, flags2, gaps));
  }
}

void ScoreBuilder::MeasureFlags(int number, uint16_t flags1, uint16_t flags2) {
  doc_->Put(
      kMeasureTag, U16(number), 0,
      MeasureRecord(doc_->host_version, flags1, flags2, *doc_->Find(kMeasureTag, U16(number), 0)));
}

void ScoreBuilder::System(int part, int number, int first, int end, int indent) {
  doc_->Put(kStaffSystemTag, U16(number), 0,
            StaffSystemRecord(doc_->host_version, {first, end, indent}), I16(part));
}

void ScoreBuilder::Staves(int part, int system, std::initializer_list<int> staves) {
  uint16_t inci = 0;
  for (int staff : staves) {
    doc_->Put(kSystemStaffTag, U16(system), inci++, SystemStaffRecord(doc_->host_version, staff),
              I16(part));
  }
}

void ScoreBuilder::Detail(int part, int system, int staff, int value) {
  doc_->Put(kStaffDetailTag, U16(system), U16(staff), StaffDetailRecord(doc_->host_version, value),
            I16(part));
}

void ScoreBuilder::Frozen(int part, int first, int end) {
  doc_->Put(kFrozenSystemTag, U16(first), 0, FrozenSystemRecord(doc_->host_version, end),
            I16(part));
}

void ScoreBuilder::Rest(int part, int first, int end) {
  doc_->Put(kRestTag, U16(first), 0, RestRecord(doc_->host_version, end), I16(part));
}

void ScoreBuilder::Region(int cmper, int first, int end, int cleared) {
  doc_->Put(kRegionTag, U16(cmper), 0, RegionRecord(doc_->host_version, {first, end, cleared}));
}

void ScoreBuilder::SplitGate(int value) {
  std::array<uint16_t, 6> words = {};
  words[kSplitGateWord] = U16(value);
  doc_->Put(kSplitGateSettingTag, kSettingCmper, 0,
            SettingRecord(kSplitGateSettingTag, doc_->host_version, words));
}

}  // namespace testing_support
