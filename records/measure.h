// QCMeasure: one measure of the document, the host's measure record 'SOMS'.
//
// Addressed by the measure number as cmper, inci 0. The host keeps the record
// in one of two layouts chosen by its version; the object holds storage for
// both and picks the one for the stored host version on every call, so
// callers read and write the flag words without knowing which is in force.
// Both stores live inside the object; nothing is allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "framework/no_inci_other.h"

class QCMeasure : public QCNoInciOther {
 public:
  static constexpr int32_t kClassID = class_id::kMeasure;
  // Host format; these numbers must not change.
  static constexpr uint32_t kTag = 0x534F4D53;  // 'SOMS'

  // Below host version 0x12000000 (26 bytes, data version 0x0A000000):
  //   reserved: 8 bytes @0, measureFlags1: u16 @8, measureFlags2: u16 @10,
  //   reserved: 14 bytes @12
  // From host version 0x12000000 (30 bytes, data version 0x12000000), the same
  // with four bytes inserted at offset 4:
  //   reserved: 12 bytes @0, measureFlags1: u16 @12, measureFlags2: u16 @14,
  //   reserved: 14 bytes @16
  struct Layout {
    int32_t size;
    uint32_t data_version;
    size_t flags1_offset;
    size_t flags2_offset;
  };
  static constexpr Layout kShortLayout = {26, 0x0A000000, 8, 10};
  static constexpr Layout kLongLayout = {30, 0x12000000, 12, 14};
  // The host version from which the long layout is in force.
  static constexpr uint32_t kLongLayoutFrom = 0x12000000;

  // Flag bits that mark the start and end of a piece. Every other bit is
  // carried unchanged.
  static constexpr uint16_t kFlags1PieceStart = 0x8000;
  static constexpr uint16_t kFlags1PieceEnd = 0x4000;
  // Written and read only from host version 0x10000000 on.
  static constexpr uint16_t kFlags1PieceStartMark = 0x0800;
  static constexpr uint16_t kFlags2PieceStart = 0x8000;

  // The layout for the stored host version.
  static const Layout& ActiveLayout();

  // Both stores zero, no address, not loaded.
  QCMeasure() = default;

  int32_t ClassID() const override;
  const char* ClassName() const override;

  uint8_t* DataBuffer() override;
  std::unique_ptr<QCBaseData> CreateInstance() const override;
  uint32_t DataTag() const override { return kTag; }
  uint32_t DataVersion() const override { return ActiveLayout().data_version; }
  int32_t DataSize() const override { return ActiveLayout().size; }
  // Copies the active layout's bytes of `other` (a QCMeasure; anything else
  // is ignored) and marks this object loaded with the full layout size. The
  // address is not copied.
  void CopyDataFrom(QCBaseData& other) override;

  // Loads measure `cmper`. Measure 0 does not exist: false, nothing changes.
  bool Load(uint16_t cmper) override;
  bool LoadNext() override;

  // The flag words of the active layout.
  uint16_t MeasureFlags1();
  uint16_t MeasureFlags2();
  void SetMeasureFlags1(uint16_t flags);
  void SetMeasureFlags2(uint16_t flags);

 private:
  // Keeps the record pointer on the active layout's store, so that a load
  // never offers the host more room than the store the bytes land in, even
  // if the host version changed since this object was last loaded.
  void PointAtActiveStore();

  uint8_t short_record_[kShortLayout.size] = {};
  uint8_t long_record_[kLongLayout.size] = {};
};
