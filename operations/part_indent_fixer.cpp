#include "operations/part_indent_fixer.h"

#include "host/host_services.h"
#include "records/measure.h"
#include "records/staff_system.h"
#include "records/staff_systems.h"

namespace {

// True when measure `measure` loads into `record` and carries the marks that
// start a piece. Each load starts from a cleared store, so one record object
// serves every measure of a part.
bool StartsPiece(QCMeasure& record, int16_t measure) {
  return record.Load(static_cast<uint16_t>(measure)) && record.StartsPiece();
}

}  // namespace

bool QCPartIndentFixer::Iterate(QCBase* /*part*/) {
  host::UpdateLayout();
  QCStaffSystems systems;
  systems.LoadAll();
  const QCStaffSystem* first = systems.SystemAt(0);
  if (first == nullptr) return true;
  const int16_t piece_indent = first->Indent();
  QCMeasure measure_record;
  // The count is read afresh at every step, as in every walk of a collection.
  for (int32_t position = 1; position < systems.Count(); ++position) {
    QCStaffSystem* system = systems.SystemAt(position);
    // A record too short to say where its system begins is left as it is.
    if (system == nullptr || !system->HasAllFields()) continue;
    const int16_t measure = system->FirstMeasure();
    if (measure < start_measure_ || measure > end_measure_) continue;
    system->SetIndent(StartsPiece(measure_record, measure) ? piece_indent : int16_t{0});
    system->Save();
  }
  return true;
}
