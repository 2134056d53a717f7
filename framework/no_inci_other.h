// QCNoInciOther: records addressed by cmper alone (inci always 0).
// The record with cmper 1 counts as the first of its kind.
#pragma once

#include <cstdint>

#include "framework/other.h"

class QCNoInciOther : public QCOther {
 public:
  const char* ClassName() const override;

  // Sets the address (cmper, 0) and loads it.
  virtual bool Load(uint16_t cmper) {
    SetAddress(cmper, 0);
    return LoadCurrent();
  }
  // Sets the address (cmper, 0), then Save(). The address changes even when
  // Save() refuses.
  virtual bool SaveAs(uint16_t cmper);
  // Saves the record and what depends on it under cmper. Default: SaveAs.
  virtual bool DeepSaveAs(uint16_t cmper) { return SaveAs(cmper); }
  // Creates a new host record from the object's bytes under a cmper the host
  // assigns; the assigned address stays in the object. False when not loaded.
  virtual bool SaveNew();
  // The cmper of the address block.
  virtual uint16_t ItemCmper() const { return Cmper(); }

  // Load(1).
  bool LoadFirst() override { return Load(1); }
  // False when not loaded; otherwise Load(ItemCmper()), which resets inci to 0.
  bool Reload() override;
};
