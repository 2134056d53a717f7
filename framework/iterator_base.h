// QCIteratorBase: the root of the collection classes.
#pragma once

#include "framework/base.h"

class QCIteratorBase : public QCBase {
 public:
  const char* ClassName() const override {
    static constexpr char kName[] = "QCIteratorBase";
    return kName;
  }
};
