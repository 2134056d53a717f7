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
  // slots that show the same staff count as the same. The host is asked for
  // the other region's staff first; the two sides of a comparison may be
  // evaluated in either order, so each answer is taken in a step of its own.
  const int16_t other_start_staff = host::SlotToInst(other.StartSlot, other.StartSlotContext);
  const int16_t start_staff = host::SlotToInst(StartSlot, StartSlotContext);
  if (other_start_staff != start_staff) return false;
  const int16_t other_end_staff = host::SlotToInst(other.EndSlot, other.EndSlotContext);
  const int16_t end_staff = host::SlotToInst(EndSlot, EndSlotContext);
  if (other_end_staff != end_staff) return false;
  return other.StartMeasure == StartMeasure && other.EndMeasure == EndMeasure &&
         other.StartPosition == StartPosition && other.EndPosition == EndPosition;
}
