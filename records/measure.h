// QCMeasure: one measure of the document, the host's measure record 'SOMS'.
//
// Addressed by the measure number as cmper, inci 0. The host keeps the record
// in one of two layouts chosen by its version; the object picks its layout
// once, when it is made (LayoutForHostVersion), and holds storage for both
// inside itself; nothing is allocated. Callers speak of pieces (MarkPieceStart,
// MarkPieceEnd, StartsPiece) and never see the flag bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "framework/no_inci_other.h"

class QCMeasure final : public QCNoInciOther {
 public:
  static constexpr int32_t kClassID = class_id::kMeasure;
  // Host format; these numbers must not change.
  static constexpr uint32_t kTag = 0x534F4D53;  // 'SOMS'

  // Below host version kLongMeasureLayoutFrom (26 bytes, data version 0x0A000000):
  //   reserved: 8 bytes @0, measureFlags1: u16 @8, measureFlags2: u16 @10,
  //   reserved: 14 bytes @12
  // From host version kLongMeasureLayoutFrom (30 bytes, data version
  // 0x12000000), the same with four bytes inserted at offset 4:
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

  // Flag bits of the two words that mark pieces; every other bit is carried
  // unchanged. At the start of a piece:
  static constexpr uint16_t kFlags1PieceStart = 0x8000;
  // Written and read only from host version kPieceMarksFrom on.
  static constexpr uint16_t kFlags1PieceStartMark = 0x0800;
  static constexpr uint16_t kFlags1ClearedAtPieceStart = 0x0020 | 0x0010;
  static constexpr uint16_t kFlags2PieceStart = 0x8000;
  static constexpr uint16_t kFlags2SetAtPieceStart = 0x0800 | 0x0400;
  // At the end of a piece:
  static constexpr uint16_t kFlags1PieceEnd = 0x4000;
  static constexpr uint16_t kFlags2PieceEnd = 0x2000;
  static constexpr uint16_t kFlags2ClearedAtPieceEnd = 0x0080 | 0x0020;
  static constexpr uint16_t kFlags2SetAtPieceEnd = 0x0040 | 0x0010;

  // The layout the host uses at `host_version` (compared unsigned).
  static const Layout& LayoutForHostVersion(uint32_t host_version);

  // Both stores zero, no address, not loaded; the layout of the current
  // host version.
  QCMeasure();

  int32_t ClassID() const override;
  const char* ClassName() const override;

  uint8_t* DataBuffer() override;
  std::unique_ptr<QCBaseData> CreateInstance() const override;
  uint32_t DataTag() const override { return kTag; }
  uint32_t DataVersion() const override { return layout_->data_version; }
  int32_t DataSize() const override { return layout_->size; }
  // Copies the record of `other` (a QCMeasure; anything else is ignored) into
  // this object's store and marks it loaded with the full layout size. Of a
  // measure made in the shorter layout only its bytes are copied, the rest is
  // zero. The address is not copied.
  void CopyDataFrom(QCBaseData& other) override;

  // Loads measure `cmper` into a cleared store: bytes the host does not
  // deliver read as zero. Measure 0 does not exist: false, nothing changes.
  bool Load(uint16_t cmper) override;

  // Marks this measure as the first of a piece: the piece-start bits set
  // (the mark bit only from host version kPieceMarksFrom on), the bits
  // cleared at a piece start cleared. Not saved.
  void MarkPieceStart();
  // Marks this measure as the last of a piece. Not saved.
  void MarkPieceEnd();
  // True when this measure carries the marks that start a piece; before host
  // version kPieceMarksFrom no measure does.
  bool StartsPiece();

  // The flag words of this measure's layout.
  uint16_t MeasureFlags1();
  uint16_t MeasureFlags2();
  void SetMeasureFlags1(uint16_t flags);
  void SetMeasureFlags2(uint16_t flags);

 private:
  // Rationale: the layout is chosen once, so that the storage, the size
  // offered to loads, the version and the flag offsets always agree, even if
  // the host version were changed while the object lives.
  const Layout* layout_;
  uint8_t short_record_[kShortLayout.size] = {};
  uint8_t long_record_[kLongLayout.size] = {};
};

static_assert(RecordPool::Holds<QCMeasure>(),
              "QCMeasure outgrows the record pool: raise RecordPool::kLargestPooled");
