#include "plugin/music_region.h"

#include "host/byte_order.h"
#include "host/host_services.h"

QCMusicRegion::QCMusicRegion(const uint8_t* selection, int16_t document_id)
    : StartSlotContext(host::ReadU16(selection, kStartSlotContextOffset)),
      StartSlot(host::ReadU16(selection, kStartSlotOffset)),
      StartMeasure(host::ReadI16(selection, kStartMeasureOffset)),
      StartPosition(host::ReadU32(selection, kStartPositionOffset)),
      EndSlotContext(host::ReadU16(selection, kEndSlotContextOffset)),
      EndSlot(host::ReadU16(selection, kEndSlotOffset)),
      EndMeasure(host::ReadI16(selection, kEndMeasureOffset)),
      EndPosition(host::ReadU32(selection, kEndPositionOffset)),
      DocumentID(document_id) {}

const char* QCMusicRegion::ClassName() const {
  static constexpr char kName[] = "QCMusicRegion";
  return kName;
}

bool QCMusicRegion::IsEqual(const QCMusicRegion& other) const {
  if (other.StartSlotContext != StartSlotContext) return false;
  // The end slot context takes part only through the staff lookup, so two
  // slots that show the same staff count as the same.
  if (host::SlotToInst(other.StartSlot, other.StartSlotContext) !=
      host::SlotToInst(StartSlot, StartSlotContext)) {
    return false;
  }
  if (host::SlotToInst(other.EndSlot, other.EndSlotContext) !=
      host::SlotToInst(EndSlot, EndSlotContext)) {
    return false;
  }
  return other.StartMeasure == StartMeasure && other.EndMeasure == EndMeasure &&
         other.StartPosition == StartPosition && other.EndPosition == EndPosition;
}
