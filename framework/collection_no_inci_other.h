// QCCollectionNoInciOther: a data collection whose elements are records
// addressed by cmper alone (QCNoInciOther).
#pragma once

#include "framework/collection_data.h"

class QCCollectionNoInciOther : public QCCollectionData {
 public:
  const char* ClassName() const override {
    static constexpr char kName[] = "QCCollectionNoInciOther";
    return kName;
  }
};
