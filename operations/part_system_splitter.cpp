#include "operations/part_system_splitter.h"

#include "host/host_services.h"
#include "records/freeze_system.h"
#include "records/staff_system.h"
#include "records/staff_systems.h"
#include "records/system_staff.h"
#include "records/system_staves.h"

namespace {

// System numbers are 16-bit and 0xFFFF asks the host to assign one when a
// record is created, so no system can be filed above this number.
constexpr uint16_t kHighestSystemNumber = 0xFFFE;
// Position in the list whose system is not there.
constexpr int32_t kNone = -1;

// What one walk over a part's systems, as listed, finds for a cut at a
// measure.
struct Survey {
  // Every system record holds all its fields; when one does not, the walk
  // stops there and the rest is not looked at.
  bool all_fields = true;
  // The position of the first system that begins at the measure, or kNone.
  int32_t beginning_at = kNone;
  // The position of the first system that ends after the measure, or kNone.
  int32_t ending_after = kNone;
  // The systems are numbered 1, 2, 3, ... in list order, and the last number
  // can still move up by one. Renumbering relies on both: each system is
  // written over the next, and the last under a number not yet used.
  bool numbered_for_renumbering = true;
};

// Walks `systems` once and tells what a cut at `measure` needs to know.
Survey SurveySystems(const QCStaffSystems& systems, int16_t measure) {
  Survey survey;
  survey.numbered_for_renumbering = systems.Count() < kHighestSystemNumber;
  for (int32_t position = 0; position < systems.Count(); ++position) {
    const QCStaffSystem* system = systems.SystemAt(position);
    if (system == nullptr || !system->HasAllFields()) {
      survey.all_fields = false;
      break;
    }
    if (survey.beginning_at == kNone && system->FirstMeasure() == measure) {
      survey.beginning_at = position;
    }
    if (survey.ending_after == kNone && system->EndMeasure() > measure) {
      survey.ending_after = position;
    }
    if (system->ItemCmper() != position + 1) survey.numbered_for_renumbering = false;
  }
  return survey;
}

// True when `systems` holds every system of the part. A host's refused
// next-record step looks like the end of the kind, so the list also counts as
// whole only when no system is filed under the number after its last one.
bool WholeList(const QCStaffSystems& systems) {
  if (!systems.Complete()) return false;
  if (systems.Count() == 0) return true;
  const QCStaffSystem* last = systems.SystemAt(systems.Count() - 1);
  if (last == nullptr) return false;
  if (last->ItemCmper() >= kHighestSystemNumber) return true;  // nothing can follow it
  QCStaffSystem beyond;
  return !beyond.Load(static_cast<uint16_t>(last->ItemCmper() + 1));
}

// True when `staves` holds the whole list filed under `number`: the host has
// no entry after the last one read (an entry it refused or delivered without
// bytes ends the reading early). A list read short would lose its tail once
// the next move writes over its number.
bool ReadWhole(const QCSystemStaves& staves, uint16_t number) {
  QCSystemStaff beyond;
  return !beyond.Load(number, static_cast<uint16_t>(staves.Count()));
}

// Moves the staff lists one number up along with the systems that moved:
// `before` is the part's list of systems as read before the cut, numbered
// 1, 2, 3, ..., and the systems from number `lowest` on have been written
// one number higher. The walk goes from the last system down, so that each
// list is read before it is replaced; the list of `lowest` stays and is
// copied to the number above it.
void MoveStaffLists(const QCStaffSystems& before, uint16_t lowest) {
  // One list object for all the moves, so that its array serves every list.
  QCSystemStaves staves;
  for (int32_t number = before.Count() + 1; number >= lowest; --number) {
    if (number >= kHighestSystemNumber) continue;  // nowhere to move its list
    // The list under a number belongs to the system that had the number
    // before the cut. On hosts where a system shows list 0 unless it keeps
    // one of its own, a system without its own list is given a copy of
    // list 0 at its new number, so that it shows what it showed. The number
    // above the last system had none: what it holds moves up unread.
    const bool had_system = number <= before.Count();
    const bool own_list = !had_system || before.SystemAt(number - 1)->HasOwnStaffList();
    const uint16_t source = own_list ? static_cast<uint16_t>(number) : uint16_t{0};
    staves.LoadAllForCmper(source);
    // A list that cannot be read or replaced whole stops the moves here: this
    // list stays in place and every list above it has moved already.
    if (!ReadWhole(staves, source)) return;
    if (!staves.SaveAllForCmper(static_cast<uint16_t>(number + 1))) return;
  }
}

// Gives system `number` the indent of system 1 (0 when system 1 does not
// load) and saves it.
void CopyFirstIndent(uint16_t number) {
  QCStaffSystem target;
  QCStaffSystem first;
  const bool target_loaded = target.Load(number);
  target.SetIndent(first.Load(1) ? first.Indent() : int16_t{0});
  if (target_loaded) target.Save();
}

}  // namespace

bool QCPartSystemSplitter::Iterate(QCBase* /*part*/) {
  host::UpdateLayout();
  const uint16_t begins_at_start = SplitSystems();
  if (begins_at_start != 0) CopyFirstIndent(begins_at_start);
  host::UpdateLayout();
  return true;
}

uint16_t QCPartSystemSplitter::SplitSystems() const {
  const int16_t start = start_measure_;
  QCStaffSystems systems;
  systems.LoadAll();
  const Survey survey = SurveySystems(systems, start);
  if (!survey.all_fields) return 0;
  if (survey.beginning_at != kNone) return systems.SystemAt(survey.beginning_at)->ItemCmper();
  const int32_t containing = survey.ending_after;
  // No system ends after the start measure, or the first that does begins
  // after it: there is nothing to cut.
  if (containing == kNone || systems.SystemAt(containing)->FirstMeasure() >= start) return 0;
  if (!survey.numbered_for_renumbering || !WholeList(systems)) return 0;
  const CutResult cut = Cut(systems, containing);
  if (cut.lowest_moved != 0) MoveStaffLists(systems, cut.lowest_moved);
  return cut.new_system;
}

QCPartSystemSplitter::CutResult QCPartSystemSplitter::Cut(QCStaffSystems& systems,
                                                          int32_t position) const {
  const int16_t start = start_measure_;
  QCStaffSystem& system = *systems.SystemAt(position);
  const uint16_t number = system.ItemCmper();
  const int16_t first = system.FirstMeasure();
  const int16_t end = system.EndMeasure();
  CutResult result;

  // Rationale: the later systems move one number up from the last down, so
  // that each record is copied before it is written over. When the host
  // refuses a write, the cut stops there: the part then holds one system
  // twice, but every system the user had is still in it, and the staff lists
  // of the systems that moved follow them.
  for (int32_t later = systems.Count() - 1; later > position; --later) {
    QCStaffSystem* next = systems.SystemAt(later);
    if (next == nullptr) continue;
    const uint16_t moving = next->ItemCmper();
    if (!next->SaveAs(static_cast<uint16_t>(moving + 1))) return result;
    result.lowest_moved = moving;
  }

  // The rest of the cut system becomes the next system, over the record of
  // the system that followed (now moved up), with a frozen record.
  const auto new_number = static_cast<uint16_t>(number + 1);
  system.SetFirstMeasure(start);
  if (!system.SaveAs(new_number)) return result;
  result.lowest_moved = number;
  result.new_system = new_number;
  system.SetAddress(number, 0);
  QCFreezeSystem new_freeze;
  new_freeze.SetEndMeasure(end);
  new_freeze.SaveAs(static_cast<uint16_t>(start));

  // The cut system now ends at the start measure, and so does its frozen
  // record, if it has one.
  system.SetFirstMeasure(first);
  system.SetEndMeasure(start);
  system.Save();
  QCFreezeSystem old_freeze;
  if (old_freeze.Load(static_cast<uint16_t>(first))) {
    old_freeze.SetEndMeasure(start);
    old_freeze.Save();
  }
  return result;
}
