#include "records/measure_number_regions.h"

#include "records/measure_number_region.h"

const char* QCMeasureNumberRegions::ClassName() const {
  static constexpr char kName[] = "QCMeasureNumberRegions";
  return kName;
}

std::unique_ptr<QCBaseData> QCMeasureNumberRegions::CreateElement() const {
  return std::make_unique<QCMeasureNumberRegion>();
}

QCMeasureNumberRegion* QCMeasureNumberRegions::RegionAt(int32_t index) const {
  return RecordCast<QCMeasureNumberRegion>(ItemAt(index));
}
