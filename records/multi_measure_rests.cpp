#include "records/multi_measure_rests.h"

#include "records/multi_measure_rest.h"

const char* QCMultiMeasureRests::ClassName() const {
  static constexpr char kName[] = "QCMultiMeasureRests";
  return kName;
}

std::unique_ptr<QCBaseData> QCMultiMeasureRests::CreateElement() const {
  return std::make_unique<QCMultiMeasureRest>();
}

QCMultiMeasureRest* QCMultiMeasureRests::RestAt(int32_t index) const {
  return RecordCast<QCMultiMeasureRest>(ItemAt(index));
}
