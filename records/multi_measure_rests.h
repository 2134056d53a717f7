// QCMultiMeasureRests: every multimeasure rest of the host's current part.
//
// LoadAll starts with the rest after address (0, 0) and follows the host's
// order; each element is an independent QCMultiMeasureRest clone at its own
// address, owned by the collection.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/collection_no_inci_other.h"

class QCMultiMeasureRest;

class QCMultiMeasureRests : public QCCollectionNoInciOther {
 public:
  const char* ClassName() const override;

  // A new QCMultiMeasureRest.
  std::unique_ptr<QCBaseData> CreateElement() const override;

  // The rest at `index`, or null when out of range.
  QCMultiMeasureRest* RestAt(int32_t index) const;
};
