#include "operations/part_mm_rest_splitter.h"

#include "records/multi_measure_rest.h"
#include "records/multi_measure_rests.h"

namespace {

// True when the rest covers measure m: its cmper <= m <= endMeasure - 1, the
// subtraction done in 16 bits.
bool Covers(const QCMultiMeasureRest& rest, int16_t m) {
  return rest.FirstMeasure() <= m && m <= static_cast<int16_t>(rest.EndMeasure() - 1);
}

// Cuts `rest` at m. When m is the rest's own first measure, both writes go to
// the same address and the record ends as it began.
void Cut(QCMultiMeasureRest& rest, int16_t m) {
  const uint16_t first = rest.ItemCmper();
  const int16_t end = rest.EndMeasure();
  rest.SetEndMeasure(m);
  // Rationale: a rest at m written beside an unshortened rest would cover
  // its measures twice, and a shortened rest without the rest at m would
  // leave them without one; so a refused write undoes the cut.
  if (!rest.Save()) return;
  rest.SetEndMeasure(end);
  if (rest.SaveAs(static_cast<uint16_t>(m))) return;
  rest.SaveAs(first);
}

}  // namespace

bool QCPartMMRestSplitter::Iterate(QCBase* /*part*/) {
  QCMultiMeasureRests rests;
  rests.LoadAll();
  const int16_t m = start_measure_;
  for (int32_t i = 0; i < rests.Count(); ++i) {
    QCMultiMeasureRest* rest = rests.RestAt(i);
    if (rest == nullptr || !Covers(*rest, m)) continue;
    Cut(*rest, m);
    break;
  }
  return true;
}
