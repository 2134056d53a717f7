#include "operations/part_system_splitter.h"

#include <algorithm>
#include <memory>
#include <vector>

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

// The staff lists a cut moves: each list moves one number up, from the cut
// system's to the one above the last system.
class StaffListMoves {
 public:
  // `before` is the part's list of systems as read before the cut, numbered
  // 1, 2, 3, ...; `cut` is the number of the system to be cut.
  StaffListMoves(const QCStaffSystems& before, uint16_t cut) : before_(before), lowest_(cut) {}

  // True when the host delivers whole every list a cut would read or write
  // over: those under the cut system's number and every number above it up
  // to two past the last system, and list 0 when a system there shows it.
  // Asked before the part is touched, so that a list the host does not
  // deliver whole leaves the part as it was.
  bool AllWhole() const {
    QCSystemStaves staves;
    for (uint32_t number = lowest_; number <= Highest() + 1; ++number) {
      if (!staves.ReadsWholeForCmper(static_cast<uint16_t>(number))) return false;
    }
    for (int32_t position = lowest_ - 1; position < before_.Count(); ++position) {
      if (!before_.SystemAt(position)->HasOwnStaffList()) return staves.ReadsWholeForCmper(0);
    }
    return true;
  }

  // Moves the lists one number up along with the systems that moved: the
  // systems from number `lowest` on have been written one number higher.
  // The walk goes from the last system down, so that each list has been
  // written at its new number before it is replaced at its old one; the
  // list of `lowest` stays and is copied to the number above it. A list the
  // host does not deliver or take whole stops the moves there: every list
  // above it has moved, every list below it stays.
  void Write(uint16_t lowest) {
    // The list read under the number above, which is next written over.
    QCSystemStaves lists[2];
    QCSystemStaves* above = nullptr;
    QCSystemStaves hidden;
    QCSystemStaves list_zero;
    bool list_zero_read = false;
    for (uint32_t number = Highest(); number >= lowest; --number) {
      const auto target = static_cast<uint16_t>(number + 1);
      // What the target number holds: the list read there in the step
      // before, or, where that step read list 0 instead (or there was no
      // step before), the list under it, read now.
      QCSystemStaves* old = above;
      if (old == nullptr) {
        old = &hidden;
        if (!ReadWhole(*old, target)) return;
      }
      // On hosts where a system shows list 0 unless it keeps one of its own,
      // a system without its own list is given a copy of list 0 at its new
      // number, so that it shows what it showed. The number above the last
      // system had no system: what it holds moves up.
      QCSystemStaves* source = &list_zero;
      above = nullptr;
      if (OwnList(number)) {
        source = &lists[number % 2];
        if (!ReadWhole(*source, static_cast<uint16_t>(number))) return;
        above = source;
      } else if (!list_zero_read) {
        if (!ReadWhole(list_zero, 0)) return;
        list_zero_read = true;
      }
      if (!Replace(*old, *source, target)) return;
    }
  }

 private:
  // The highest number whose list moves: the one above the last system, or
  // lower where system numbers run out.
  uint32_t Highest() const {
    return std::min<uint32_t>(static_cast<uint32_t>(before_.Count()) + 1, kHighestSystemNumber - 1);
  }
  // The list under a number belongs to the system that had the number
  // before the cut when the host reads every system's own list, or when
  // that system carries the own-list flag.
  bool OwnList(uint32_t number) const {
    if (number > static_cast<uint32_t>(before_.Count())) return true;
    return before_.SystemAt(static_cast<int32_t>(number) - 1)->HasOwnStaffList();
  }
  static bool ReadWhole(QCSystemStaves& staves, uint16_t number) {
    staves.LoadAllForCmper(number);
    return staves.LoadedWhole();
  }

  // Writes `list` under `target` in place of `old`, the list read there:
  // old's entries are deleted, each with its detail record, highest first,
  // then list's entries appended in order, each with its detail.
  // False at the first delete or append the host refuses.
  static bool Replace(const QCSystemStaves& old, const QCSystemStaves& list, uint16_t target) {
    if (!old.EachEntryFromLast([](QCSystemStaff& entry) { return entry.DeepDeleteData(); })) {
      return false;
    }
    return list.EachEntry([target](QCSystemStaff& entry) {
      // Each entry keeps the address it was read at, where it is deleted
      // once the list under the number below has moved over it.
      const uint16_t cmper = entry.Cmper(), inci = entry.Inci();
      const bool appended = entry.SaveAs(target);
      entry.SetAddress(cmper, inci);
      return appended;
    });
  }

  const QCStaffSystems& before_;
  // The number of the cut system.
  const uint16_t lowest_;
};

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
  StaffListMoves lists(systems, systems.SystemAt(containing)->ItemCmper());
  if (!lists.AllWhole()) return 0;
  const CutResult cut = Cut(systems, containing);
  if (cut.lowest_moved != 0) lists.Write(cut.lowest_moved);
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
