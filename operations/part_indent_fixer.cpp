#include "operations/part_indent_fixer.h"

#include "host/host_services.h"
#include "host/host_version.h"
#include "records/measure.h"
#include "records/staff_system.h"
#include "records/staff_systems.h"

namespace {

// Hosts before this version do not mark the start of a piece completely.
constexpr uint32_t kPieceMarksFrom = host::kVersion10;

// True when measure `measure` loads and carries the marks that start a
// piece. Before host version 0x10000000 no measure does.
bool StartsPiece(int16_t measure) {
  QCMeasure record;
  if (!record.Load(static_cast<uint16_t>(measure))) return false;
  return (record.MeasureFlags2() & QCMeasure::kFlags2PieceStart) != 0 &&
         host::HostVersionAtLeast(kPieceMarksFrom) &&
         (record.MeasureFlags1() & QCMeasure::kFlags1PieceStartMark) != 0;
}

}  // namespace

bool QCPartIndentFixer::Iterate(QCBase* /*part*/) {
  host::UpdateLayout();
  QCStaffSystems systems;
  systems.LoadAll();
  const QCStaffSystem* first = systems.SystemAt(0);
  if (first == nullptr) return true;
  const int16_t piece_indent = first->Indent();
  // The count is read afresh at every step, as in every walk of a collection.
  for (int32_t position = 1; position < systems.Count(); ++position) {
    QCStaffSystem* system = systems.SystemAt(position);
    // A record too short to say where its system begins is left as it is.
    if (system == nullptr || !system->HasAllFields()) continue;
    const int16_t measure = system->FirstMeasure();
    if (measure < startMeasure || measure > endMeasure) continue;
    system->SetIndent(StartsPiece(measure) ? piece_indent : int16_t{0});
    system->Save();
  }
  return true;
}
