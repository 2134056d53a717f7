// __QCOther: the branch of data records addressed by cmper, with or without
// incidences. It adds nothing itself; its two kinds are __QCNoInciOther and
// __QCInciOther.
#pragma once

#include "framework/base_data.h"

class __QCOther : public __QCBaseData {
 public:
  const char* ClassName() const override {
    static constexpr char kName[] = "__QCOther";
    return kName;
  }
};
