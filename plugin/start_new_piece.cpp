#include "plugin/start_new_piece.h"

#include "host/host_version.h"
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

// Marks on the first measure of a new piece, besides the piece-start bits.
constexpr uint16_t kFirstFlags1Cleared1 = 0x0020;
constexpr uint16_t kFirstFlags1Cleared2 = 0x0010;
constexpr uint16_t kFirstFlags2Set1 = 0x0800;
constexpr uint16_t kFirstFlags2Set2 = 0x0400;
// Marks on the measure before it, besides the piece-end bit.
constexpr uint16_t kLastFlags2Set = 0x2000;
constexpr uint16_t kLastFlags2Cleared = 0x0080 | 0x0020;
constexpr uint16_t kLastFlags2SetAfter = 0x0040 | 0x0010;

// Sets the start-of-piece marks, in the order the host has always seen them
// written. A measure that did not load is edited but not saved.
void MarkFirstMeasure(int16_t measure_number) {
  QCMeasure measure;
  measure.Load(static_cast<uint16_t>(measure_number));
  measure.SetMeasureFlags2(measure.MeasureFlags2() | QCMeasure::kFlags2PieceStart);
  if (host::HostVersionAtLeast(host::kVersion10)) {
    measure.SetMeasureFlags1(measure.MeasureFlags1() | QCMeasure::kFlags1PieceStartMark);
  }
  measure.SetMeasureFlags1(measure.MeasureFlags1() | QCMeasure::kFlags1PieceStart);
  measure.SetMeasureFlags1(measure.MeasureFlags1() & ~kFirstFlags1Cleared1 & 0xFFFF);
  measure.SetMeasureFlags2(measure.MeasureFlags2() | kFirstFlags2Set1);
  measure.SetMeasureFlags1(measure.MeasureFlags1() & ~kFirstFlags1Cleared2 & 0xFFFF);
  measure.SetMeasureFlags2(measure.MeasureFlags2() | kFirstFlags2Set2);
  measure.Save();
}

// Sets the end-of-piece marks on the measure before the new piece.
void MarkLastMeasure(int16_t measure_number) {
  QCMeasure measure;
  measure.Load(static_cast<uint16_t>(measure_number));
  measure.SetMeasureFlags1(measure.MeasureFlags1() | QCMeasure::kFlags1PieceEnd);
  measure.SetMeasureFlags2(measure.MeasureFlags2() | kLastFlags2Set);
  measure.SetMeasureFlags2(measure.MeasureFlags2() & ~kLastFlags2Cleared & 0xFFFF);
  measure.SetMeasureFlags2(measure.MeasureFlags2() | kLastFlags2SetAfter);
  measure.Save();
}

}  // namespace

bool StartNewPiece(const QCMusicRegion& region) {
  const int16_t start = region.StartMeasure;
  if (start < kFirstPossibleStart) return false;

  QCParts parts;
  parts.LoadAll();

  QCPartSystemSplitter system_splitter(start);
  if (system_splitter.BeginIteration()) parts.ForEachPart(system_splitter);

  QCMultiMeasureRestPrefs prefs;
  prefs.Load(kPrefsCmper);
  if (prefs.SplitGate() == 0) {
    QCPartMMRestSplitter rest_splitter(start);
    if (rest_splitter.BeginIteration()) parts.ForEachPart(rest_splitter);
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
