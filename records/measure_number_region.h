// QCMeasureNumberRegion: the measure-number region record ('SOMN'), which
// says how a run of measures is numbered. It covers the measures from
// FirstMeasure() up to, but not including, EndMeasure().
//
// The host keeps the record in one of three layouts, picked by the host
// version when the object is made (LayoutForHostVersion). The object holds
// one storage area inside itself, as large as the largest layout, the record
// in its first bytes, and four enclosures whose bytes are 12-byte pieces of
// the record. A new region counts as loaded
// with an all-zero record, so it can be created in the host without a load.
// Because the enclosures point into the object, a region is never copied or
// moved; clone it with Clone().
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "framework/no_inci_other.h"
#include "records/enclosure.h"

class QCMeasureNumberRegion final : public QCNoInciOther {
 public:
  static constexpr int32_t kClassID = class_id::kMeasureNumberRegion;
  static constexpr uint32_t kTag = 0x534F4D4E;  // 'SOMN'
  static constexpr int kEnclosureCount = 4;

  // Where the fields the module uses sit in one host layout. All other bytes
  // are carried unchanged. Host format; the values must not be changed.
  //   enclosure n: 12-byte enclosure record (enclosure_offset[n - 1])
  //   firstMeasure: i16, endMeasure: i16 (exclusive)
  //   clearedOnSplit: u16, 0 in a region made by a split
  struct Layout {
    int32_t size;
    uint32_t data_version;
    size_t enclosure_offset[kEnclosureCount];
    size_t first_measure;
    size_t end_measure;
    size_t cleared_on_split;
  };
  // From host version kRegionLayout350From on.
  static constexpr Layout kLayout350 = {350, 0x11000000, {18, 88, 30, 100}, 140, 142, 150};
  // From host version kRegionLayout196From up to kRegionLayout350From.
  static constexpr Layout kLayout196 = {196, 0x0F000200, {18, 84, 30, 96}, 132, 134, 140};
  // Below host version kRegionLayout196From; the four enclosures share one piece.
  static constexpr Layout kLayout88 = {88, 0x0A000000, {70, 70, 70, 70}, 6, 8, 16};

  // The layout the host uses at `host_version` (compared unsigned).
  static const Layout& LayoutForHostVersion(uint32_t host_version);

  // A region in the layout of the current host version: all-zero record,
  // loaded size DataSize(), address (0, 0).
  QCMeasureNumberRegion();
  QCMeasureNumberRegion(const QCMeasureNumberRegion&) = delete;
  QCMeasureNumberRegion& operator=(const QCMeasureNumberRegion&) = delete;

  int32_t ClassID() const override;
  const char* ClassName() const override;

  // The record, in the first DataSize() bytes of the storage area.
  uint8_t* DataBuffer() override { return storage_; }
  // A new region (as the constructor makes it).
  std::unique_ptr<QCBaseData> CreateInstance() const override;
  uint32_t DataTag() const override { return kTag; }
  uint32_t DataVersion() const override { return layout_->data_version; }
  int32_t DataSize() const override { return layout_->size; }
  // Copies the other region's record into this one's storage and sets the
  // loaded size to DataSize(), whatever the other's loaded size. When the
  // other was loaded with fewer bytes, the bytes after them are zero. The
  // enclosures need no copy: they alias the copied bytes. Anything but a
  // region is ignored.
  void CopyDataFrom(QCBaseData& other) override;
  // Loads region 1, or, when that does not load, the first region the host
  // has after address (0, 0): a document whose user deleted region 1 still
  // has its other regions listed.
  bool LoadFirst() override;

  // Enclosure `number` (1 to 4), or null for any other number.
  QCEnclosure* Enclosure(int number);

  // The fields, at the offsets of this region's layout.
  int16_t FirstMeasure() const;
  void SetFirstMeasure(int16_t measure);
  int16_t EndMeasure() const;
  void SetEndMeasure(int16_t measure);
  uint16_t ClearedOnSplit() const;
  void SetClearedOnSplit(uint16_t value);

 private:
  // The 12 bytes of enclosure `index` (0 to 3) in this region's layout.
  uint8_t* EnclosurePiece(int index);

  // The largest layout's size: one storage area serves every layout.
  static constexpr int32_t kLargestSize =
      std::max({kLayout350.size, kLayout196.size, kLayout88.size});

  // Rationale: the layout is chosen once, so that the size offered to loads,
  // the version and the enclosures always agree, even if the host version
  // were changed while the object lives.
  const Layout* layout_;
  uint8_t storage_[kLargestSize] = {};
  // Declared in this order so that they are destroyed from 4 back to 1.
  QCEnclosure enclosure1_;
  QCEnclosure enclosure2_;
  QCEnclosure enclosure3_;
  QCEnclosure enclosure4_;
};

static_assert(RecordPool::Holds<QCMeasureNumberRegion>(),
              "QCMeasureNumberRegion outgrows the record pool: raise RecordPool::kLargestPooled");
