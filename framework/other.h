// QCOther: the branch of data records addressed by cmper, with or without
// incidences. It adds nothing itself; its two kinds are QCNoInciOther and
// QCInciOther.
#pragma once

#include "framework/base_data.h"

class QCOther : public QCBaseData {
 public:
  const char* ClassName() const override {
    static constexpr char kName[] = "QCOther";
    return kName;
  }
};
