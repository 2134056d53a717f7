// QCMusicRegion: the module's copy of the host's selection.
//
// Plain data built by the Invoke entry point from the host's 20-byte selection
// record and the current document's number; never loaded from or saved to a
// host record. Owned by the caller for one command.
#pragma once

#include <cstdint>

#include "framework/base.h"

class QCMusicRegion : public QCBase {
 public:
  // Selection record layout (20 bytes, little-endian, no gaps). Host format.
  static constexpr int kSelectionSize = 20;
  static constexpr int kStartSlotContextOffset = 0;
  static constexpr int kStartSlotOffset = 2;
  static constexpr int kStartMeasureOffset = 4;
  static constexpr int kStartPositionOffset = 6;
  static constexpr int kEndSlotContextOffset = 10;
  static constexpr int kEndSlotOffset = 12;
  static constexpr int kEndMeasureOffset = 14;
  static constexpr int kEndPositionOffset = 16;
  static_assert(kEndPositionOffset + 4 == kSelectionSize,
                "the selection record ends with the 4-byte end position");

  // An all-zero region.
  QCMusicRegion() = default;
  QCMusicRegion(const QCMusicRegion&) = default;
  QCMusicRegion& operator=(const QCMusicRegion&) = default;

  // Copies the 20-byte selection record; `document_id` is kept beside it.
  QCMusicRegion(const uint8_t* selection, int16_t document_id);

  const char* ClassName() const override;

  // True when both regions select the same thing: equal slot contexts at the
  // start, the same staves (through the host's slot lookup, the other region
  // asked first), measures and positions. The document is not compared.
  virtual bool IsEqual(const QCMusicRegion& other) const;

  uint16_t StartSlotContext = 0;
  uint16_t StartSlot = 0;
  int16_t StartMeasure = 0;
  uint32_t StartPosition = 0;
  uint16_t EndSlotContext = 0;
  uint16_t EndSlot = 0;
  int16_t EndMeasure = 0;
  uint32_t EndPosition = 0;
  int16_t DocumentID = 0;
};
