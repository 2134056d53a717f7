// QCPrefsBase: preference records, which the host keeps as per-setting
// records and the framework presents in one legacy layout. Each class says
// how its record is assembled in Load.
#pragma once

#include <cstdint>

#include "framework/base_data.h"

class QCPrefsBase : public QCBaseData {
 public:
  const char* ClassName() const override;

  // Assembles the preference record for cmper.
  virtual bool Load(uint16_t cmper) = 0;
  // Load(1).
  bool LoadFirst() override { return Load(1); }
};
