#include "plugin/start_new_piece.h"

#include "operations/measure_number_region_splitter.h"
#include "operations/part_mm_rest_splitter.h"
#include "operations/part_system_splitter.h"
#include "records/measure.h"
#include "records/measure_number_regions.h"
#include "records/multi_measure_rest_prefs.h"
#include "records/parts.h"

namespace {

// The first measure a new piece can begin at: measure 1 already begins one.
constexpr int16_t kFirstPossibleStart = 2;
// The preference record is the same for every cmper; the host's is 1.
constexpr uint16_t kPrefsCmper = 1;

// Marks measure `measure_number` as the first of a new piece. Only the saved
// result reaches the host. A measure that did not load is edited but not saved.
void MarkFirstMeasure(int16_t measure_number) {
  QCMeasure measure;
  measure.Load(static_cast<uint16_t>(measure_number));
  measure.MarkPieceStart();
  measure.Save();
}

// Marks measure `measure_number` as the last of the piece before, likewise.
void MarkLastMeasure(int16_t measure_number) {
  QCMeasure measure;
  measure.Load(static_cast<uint16_t>(measure_number));
  measure.MarkPieceEnd();
  measure.Save();
}

}  // namespace

bool StartNewPiece(const QCMusicRegion& region) {
  const int16_t start = region.StartMeasure;
  if (start < kFirstPossibleStart) return false;

  QCParts parts;
  parts.LoadAll();

  QCPartSystemSplitter system_splitter(start);
  parts.ForEachPart(system_splitter);

  QCMultiMeasureRestPrefs prefs;
  prefs.Load(kPrefsCmper);
  if (prefs.SplitGate() == 0) {
    QCPartMMRestSplitter rest_splitter(start);
    parts.ForEachPart(rest_splitter);
  }

  // The measure marks and the regions belong to the part that was current
  // when the command started; every part visit above has restored it.
  MarkFirstMeasure(start);
  MarkLastMeasure(static_cast<int16_t>(start - 1));

  QCMeasureNumberRegions regions;
  regions.LoadAll();
  QCMeasureNumberRegionSplitter region_splitter(start);
  // A plain walk: the region splitter is not asked to begin or end.
  regions.ForEach(region_splitter);
  return true;
}
