// QCCollectionInciOther: a data collection whose elements are incidence
// records (QCInciOther), handled one cmper at a time.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/collection_data.h"
#include "framework/inci_other.h"

class QCCollectionInciOther : public QCCollectionData {
 public:
  const char* ClassName() const override;

  // A new default element, owned by the caller.
  virtual std::unique_ptr<QCInciOther> CreateInciElement() const = 0;
  std::unique_ptr<QCBaseData> CreateElement() const override { return CreateInciElement(); }

  // Deletes every incidence of cmper in the host, highest inci first. True
  // when there was nothing to delete (no incidence 0) or all were deleted;
  // false at the first load or delete that fails.
  virtual bool DeleteAllForCmper(uint16_t cmper);
  // Replaces the content with clones of incidences 0, 1, 2, ... of cmper, up
  // to the first that does not load. Returns the count.
  virtual int32_t LoadAllForCmper(uint16_t cmper);
  // Replaces all incidences of cmper in the host by the elements, in
  // position order. False when the delete fails (nothing written) or at the
  // first element that cannot be appended.
  virtual bool SaveAllForCmper(uint16_t cmper);
};
