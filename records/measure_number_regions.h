// QCMeasureNumberRegions: every measure-number region of the document.
//
// LoadAll walks every region in the host's order, from region 1 or, when
// there is none, from the first the host has; each element is an independent
// QCMeasureNumberRegion that the collection owns and that can be changed and
// saved, or cloned and created anew.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/collection_no_inci_other.h"

class QCMeasureNumberRegion;

class QCMeasureNumberRegions : public QCCollectionNoInciOther {
 public:
  const char* ClassName() const override;

  // A new QCMeasureNumberRegion.
  std::unique_ptr<QCBaseData> CreateElement() const override;

  // The region at `index`, or null when out of range.
  QCMeasureNumberRegion* RegionAt(int32_t index) const;
};
