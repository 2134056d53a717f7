// Record tags and selection records for tests, taken from the stand-in
// host's own description of the document rather than from the module's
// record classes, so that a test still checks the module's constants.
#pragma once

#include <array>
#include <cstdint>

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

}  // namespace testing_support
