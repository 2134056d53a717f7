#include "operations/measure_number_region_splitter.h"

#include <memory>

#include "records/measure_number_region.h"

namespace {

// Measure numbers are signed 16-bit; arithmetic on them wraps in 16 bits.
int16_t Measure(int32_t value) {
  return static_cast<int16_t>(value);
}

}  // namespace

bool QCMeasureNumberRegionSplitter::Iterate(QCBase* element) {
  auto* region = RecordCast<QCMeasureNumberRegion>(element);
  // (A region the host found but delivered without bytes reads as all zero,
  // from measure 0 up to 0: it covers no measure and is never split.)
  if (region == nullptr) return true;
  const int16_t m = start_measure_;
  const int16_t end = region->EndMeasure();
  if (m > Measure(end - 1)) return true;
  // A region that begins at m already numbers the new piece on its own.
  if (m <= region->FirstMeasure()) return true;

  std::unique_ptr<QCBaseData> clone_object = region->Clone();
  auto* piece = RecordCast<QCMeasureNumberRegion>(clone_object.get());
  if (piece == nullptr) return true;
  piece->SetFirstMeasure(m);
  piece->SetClearedOnSplit(0);
  // Rationale: shortening the old region when the new one was not created
  // would leave the measures from m on without a region; so would keeping a
  // new region when the old one cannot be shortened leave them in two. Either
  // refusal leaves the document as it was.
  if (!piece->SaveNew()) return true;

  region->SetEndMeasure(m);
  if (!region->Save()) {
    region->SetEndMeasure(end);
    piece->DeleteData();
  }
  return true;
}
