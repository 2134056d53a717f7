// QCMeasureNumberRegionSplitter: gives the first measure of a new piece a
// measure-number region of its own, one region at a time.
//
// Iterate cuts a region that covers the start measure m in two: a new region
// record from m to the old end (its clearedOnSplit word 0), created under a
// cmper the host assigns, and the old region, which then ends before m.
// Regions that do not cover m are left alone, and so is one that already
// begins at m (the piece has its region), or that the host delivered without
// bytes. Each cut is all or nothing:
// when the host refuses either record, the document keeps the region as it
// was. The caller owns the regions it walks; the splitter keeps no state but
// the start measure.
#pragma once

#include <cstdint>

#include "framework/iterator_handler.h"

class QCMeasureNumberRegionSplitter : public QCIteratorHandler {
 public:
  explicit QCMeasureNumberRegionSplitter(int16_t start_measure) : start_measure_(start_measure) {}

  // `element` is a QCMeasureNumberRegion loaded by the caller. Cuts it when
  // it covers the start measure; anything else is passed over. Always true,
  // so a walk visits every region.
  bool Iterate(QCBase* element) override;

 private:
  // The first measure of the new piece.
  const int16_t start_measure_;
};
