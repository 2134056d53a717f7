// QCPartIndentFixer: sets the indent of the systems that begin in a measure
// span of the host's current part.
//
// Handed to QCParts::ForEachPart, it works on each part in turn. Every
// system after the part's first whose first measure lies in the span (both
// ends included) gets the indent of the part's first system when its first
// measure starts a piece, and none otherwise. The first system is never
// changed. The host is asked to update the layout before the part is read.
//
// The span is given as two measure numbers, not as the command's selection,
// so that the layout operations need nothing of the plug-in layer.
#pragma once

#include <cstdint>

#include "framework/iterator_handler.h"

class QCPartIndentFixer : public QCIteratorHandler {
 public:
  QCPartIndentFixer(int16_t start_measure, int16_t end_measure)
      : start_measure_(start_measure), end_measure_(end_measure) {}

  // Fixes the host's current part; `part` is not looked at. Always true, so a
  // walk over the parts goes on.
  bool Iterate(QCBase* part) override;

 private:
  // The span, both ends included.
  const int16_t start_measure_;
  const int16_t end_measure_;
};
