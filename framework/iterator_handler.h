// QCIteratorHandler: the callback a collection or a walk over the parts calls
// once per element. Handlers are small objects owned by whoever runs the walk;
// an element is lent to the handler for the duration of one call only.
#pragma once

#include <cstdint>

#include "framework/base.h"

class QCIteratorHandler : public QCBase {
 public:
  // Every handler answers this one name, so all handlers are the same class.
  const char* ClassName() const override;

  // Handles one element; false stops the walk.
  virtual bool Iterate(QCBase* element) = 0;
  // Handles one element with its position; false stops the walk. Default true.
  virtual bool IterateIndexed(QCBase* element, int32_t position);
  // True when `element` is the one looked for. Default false.
  virtual bool Match(QCBase* element);
  // Asked by the walk over the parts before it starts; false means the walk
  // is not run (and not ended). Default true.
  virtual bool BeginIteration() { return true; }
  // Called by the walk over the parts once when it ends, stopped or not.
  // Default: nothing.
  virtual void EndIteration() {}
};
