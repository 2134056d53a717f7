// __QCIteratorBase: the root of the collection classes.
#pragma once

#include "framework/base.h"

class __QCIteratorBase : public __QCBase {
 public:
  const char* ClassName() const override {
    static constexpr char kName[] = "__QCIteratorBase";
    return kName;
  }
};
