// QCPartSystemSplitter: makes a new system begin at a given measure in the
// host's current part.
//
// Handed to QCParts::ForEachPart, it works on each part in turn. In one part
// it cuts the system that contains the start measure in two, files every
// later system one number higher, keeps the frozen-system records in step,
// moves each staff list along with its system (the new system receiving a
// copy of the cut system's list) and gives the system that now begins at the
// start measure the indent of system 1. Where a system already begins there,
// only the indent is copied. The host is asked to update the layout before
// and after, in every part.
//
// A part whose systems cannot be cut soundly is left as it is (only the two
// layout updates happen): when the first system that ends after the start
// measure also begins after it (the systems leave a gap there), when a
// system record lacks fields, when the systems are not numbered 1, 2, 3, ...
// in order, when the last system number could not move up by one, or when
// the host does not deliver whole every staff list the cut would move.
#pragma once

#include <cstdint>

#include "framework/iterator_handler.h"

class QCStaffSystems;

class QCPartSystemSplitter : public QCIteratorHandler {
 public:
  explicit QCPartSystemSplitter(int16_t start_measure) : start_measure_(start_measure) {}

  // Splits the host's current part; `part` is not looked at. Always true, so
  // a walk over the parts goes on.
  bool Iterate(QCBase* part) override;

 private:
  // Cuts the system containing the start measure, when the part can be cut
  // soundly. Returns the number of the system that then begins at the start
  // measure (one may have begun there already), or 0 when none does.
  uint16_t SplitSystems() const;
  // What a cut did to the part's systems.
  struct CutResult {
    // The new system, which begins at the start measure; 0 when the host
    // refused a write and the cut stopped.
    uint16_t new_system = 0;
    // The lowest system number whose record was also written one number
    // higher (for the cut system, its second half); 0 when none was.
    uint16_t lowest_moved = 0;
  };

  // Cuts the system at `position` (it contains the start measure, beginning
  // before it) and files every later system one number higher.
  CutResult Cut(QCStaffSystems& systems, int32_t position) const;

  // The measure at which the new system begins.
  const int16_t start_measure_;
};
