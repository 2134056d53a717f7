#include "plugin/music_region.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "tests/support/host_records.h"
#include "tests/support/host_test.h"

namespace {

class MusicRegionTest : public testing_support::HostTest {};

// A region's fields in the selection record's order, then its document.
auto Fields(const QCMusicRegion& r) {
  return std::tuple{r.StartSlotContext, r.StartSlot,      r.StartMeasure,
                    r.StartPosition,    r.EndSlotContext, r.EndSlot,
                    r.EndMeasure,       r.EndPosition,    r.DocumentID};
}
using FieldValues = decltype(Fields(QCMusicRegion()));

TEST_F(MusicRegionTest, CopiesTheSelectionRecordFieldByField) {
  standin::Selection selection;
  selection.start_slot_context = 0x0201;
  selection.start_slot = 0x0403;
  selection.start_measure = -9;
  selection.start_position = 0x08070605;
  selection.end_slot_context = 0x0A09;
  selection.end_slot = 0x0C0B;
  selection.end_measure = 13;
  selection.end_position = 0x14131211;
  QCMusicRegion region(selection.Encode().data(), 3);
  EXPECT_EQ(Fields(region),
            (FieldValues{0x0201, 0x0403, -9, 0x08070605, 0x0A09, 0x0C0B, 13, 0x14131211, 3}));
  EXPECT_EQ(Fields(QCMusicRegion()), FieldValues{});  // a default region is all zero
  EXPECT_STREQ(region.ClassName(), "QCMusicRegion");
  EXPECT_EQ(region.ClassID(), 0);
}

TEST_F(MusicRegionTest, EqualityGoesThroughTheHostsStaffLookup) {
  doc.slot_to_staff[{1, 0}] = 5;
  doc.slot_to_staff[{2, 0}] = 5;  // two slots showing the same staff
  doc.slot_to_staff[{2, 1}] = 5;
  doc.slot_to_staff[{3, 0}] = 6;
  auto make = [] {
    QCMusicRegion r;
    r.StartSlot = 1;
    r.EndSlot = 1;
    r.StartMeasure = 4;
    r.EndMeasure = 8;
    return r;
  };
  QCMusicRegion a = make(), b = make();
  b.DocumentID = 9;
  EXPECT_TRUE(a.IsEqual(b));
  b.EndSlot = 2;
  b.EndSlotContext = 1;
  EXPECT_TRUE(a.IsEqual(b));  // different slot, context, same staff
  b.EndSlot = 3;
  b.EndSlotContext = 0;
  EXPECT_FALSE(a.IsEqual(b));

  // One field other than in `a`: never equal.
  const std::pair<const char*, void (*)(QCMusicRegion&)> changes[] = {
      {"start slot context", [](QCMusicRegion& r) { r.StartSlotContext = 1; }},
      {"start slot of another staff", [](QCMusicRegion& r) { r.StartSlot = 3; }},
      {"start measure", [](QCMusicRegion& r) { r.StartMeasure = 3; }},
      {"start position", [](QCMusicRegion& r) { r.StartPosition = 1; }},
      {"end measure", [](QCMusicRegion& r) { r.EndMeasure = 9; }},
      {"end position", [](QCMusicRegion& r) { r.EndPosition = 1; }},
  };
  for (const auto& [what, change] : changes) {
    QCMusicRegion other = make();
    change(other);
    EXPECT_FALSE(a.IsEqual(other)) << what;
  }
}

TEST_F(MusicRegionTest, EqualityAsksTheOtherRegionsStaffFirst) {
  doc.slot_to_staff[{1, 0}] = 5;
  doc.slot_to_staff[{2, 0}] = 5;
  QCMusicRegion a, b;
  a.StartSlot = 1;
  b.StartSlot = 2;
  EXPECT_TRUE(a.IsEqual(b));
  EXPECT_EQ(doc.LogText(),
            "SlotToInst(2, 0) p0 v19000000 -> 5\n"
            "SlotToInst(1, 0) p0 v19000000 -> 5\n"
            "SlotToInst(0, 0) p0 v19000000 -> 0\n"
            "SlotToInst(0, 0) p0 v19000000 -> 0\n");
}

}  // namespace
