// Record tags and selection records for tests, taken from the stand-in
// host's own description of the document rather than from the module's
// record classes, so that a test still checks the module's constants.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <utility>

#include "standin/store/record_layouts.h"
#include "standin/store/selection.h"

namespace testing_support {

using standin::kEnclosureTag;
using standin::kFrozenSystemTag;
using standin::kMeasureTag;
using standin::kPartTag;
using standin::kRegionTag;
using standin::kRestSettingsTag;
using standin::kRestTag;
using standin::kSplitGateSettingTag;
using standin::kStaffDetailTag;
using standin::kStaffSystemTag;
using standin::kSystemStaffTag;

using SelectionRecord = std::array<uint8_t, standin::Selection::kRecordSize>;

// The host's selection record of whole measures `first` to `last`, slot 0.
inline SelectionRecord SelectMeasures(int16_t first, int16_t last) {
  standin::Selection selection;
  selection.start_measure = first;
  selection.end_measure = last;
  return selection.Encode();
}

// The flag words of measure `number` in the document's layout; (-1, -1) when
// the document has no such measure or it is too short.
std::pair<int, int> MeasureFlags(const standin::HostDocument& doc, uint16_t number);

// The measures that the `tag` records of `part` cover (systems, frozen
// systems, rests, measure-number regions), from their firstMeasure, or their
// number when the layout has none, up to their endMeasure; a record shorter
// than its layout covers none.
std::set<int> Covered(const standin::HostDocument& doc, uint32_t tag, int32_t part);

// "1:1-9 2:9-16": each `tag` record of `part` in key order as
// number:firstMeasure-endMeasure, or as number-endMeasure when the layout has
// no firstMeasure (rests and frozen systems are filed under their first
// measure).
std::string SpansText(const standin::HostDocument& doc, uint32_t tag, int32_t part);

// What differs between two versions of a `tag` record at `host_version`, in
// words: "measureFlags1 0x0802 -> 0x8802, bytes 20-21 differ"; "" when they
// are the same. For failure messages that name the field, not the bytes.
std::string RecordChange(uint32_t tag, uint32_t host_version, const standin::Bytes& before,
                         const standin::Bytes& after);

}  // namespace testing_support
