// QCPartMMRestSplitter: cuts, in the host's current part, the multimeasure
// rest that runs across the first measure of a new piece.
//
// QCParts::ForEachPart calls Iterate once per part, with that part made
// current. The first rest (in the host's order) that covers the start
// measure m is cut in two: the rest at its own cmper now stops at m, and a
// rest with the same words and the old end is written at (m, 0). At most one
// rest per part is cut. A cut is all or nothing: when the host refuses either
// record, the part keeps the rest as it was. The handler keeps no state but
// the start measure; the rests it loads live for one Iterate.
#pragma once

#include <cstdint>

#include "framework/iterator_handler.h"

class QCPartMMRestSplitter : public QCIteratorHandler {
 public:
  explicit QCPartMMRestSplitter(int16_t start_measure) : start_measure_(start_measure) {}

  // Works on the current part; `part` is not used. Always true, so the walk
  // goes on to the next part.
  bool Iterate(QCBase* part) override;

 private:
  // The first measure of the new piece.
  const int16_t start_measure_;
};
