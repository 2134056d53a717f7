// __QCCollectionNoInciOther: a data collection whose elements are records
// addressed by cmper alone (__QCNoInciOther).
#pragma once

#include "framework/collection_data.h"

class __QCCollectionNoInciOther : public __QCCollectionData {
 public:
  const char* ClassName() const override {
    static constexpr char kName[] = "__QCCollectionNoInciOther";
    return kName;
  }
};
