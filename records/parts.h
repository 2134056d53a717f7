// QCParts: the document's parts, and the walk that visits each of them as
// the host's current part.
//
// It owns its QCPart elements. Part 0 comes first, then each part the host's
// next-part service names; a part whose record does not load is passed over.
#pragma once

#include <cstdint>

#include "framework/collection.h"
#include "framework/iterator_handler.h"

class QCParts : public QCCollection {
 public:
  const char* ClassName() const override;

  // Lists the parts; returns the count. A part whose record does not load is
  // not listed, and the host is asked for the part after it all the same.
  // Stops at the end of the host's list, or when the host names a part it
  // named before (its list would otherwise go round for ever).
  int32_t LoadAll();

  // Asks handler.BeginIteration first; when it answers false, returns 0 and
  // nothing else happens. Then for each part: makes it the host's current
  // part (when it belongs to the current document), calls handler.Iterate,
  // and restores the part that was current before. Stops after the first
  // Iterate that answers false. Calls handler.EndIteration once at the end.
  // Returns how many Iterate calls answered true.
  int32_t ForEachPart(QCIteratorHandler& handler);
};
