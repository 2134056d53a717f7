#include "records/parts.h"

#include <memory>

#include "host/host_services.h"
#include "records/part.h"

namespace {

// Puts back the part that was current before `part` was visited, if the visit
// made `part` current.
void RestoreCurrentPart(QCPart& part) {
  if (part.SavedPartId() != QCPart::kNoSavedPart &&
      host::GetCurrentCantorDocument() == part.PartDocumentId()) {
    host::SetCurrentPartID(part.SavedPartId());
    part.SetSavedPartId(QCPart::kNoSavedPart);
  }
}

}  // namespace

const char* QCParts::ClassName() const {
  static constexpr char kName[] = "QCParts";
  return kName;
}

int32_t QCParts::LoadAll() {
  ClearAll();
  int16_t part_id = 0;
  for (;;) {
    auto part = std::make_unique<QCPart>(part_id);
    if (!part->Load(static_cast<uint16_t>(part_id))) break;
    Append(std::move(part));
    part_id = host::GetNextPartID(part_id);
    if (part_id == host::kNoPart) break;
    bool listed = false;
    for (int32_t i = 0; i < Count() && !listed; ++i) {
      listed = static_cast<QCPart*>(ItemAt(i))->PartId() == part_id;
    }
    if (listed) break;
  }
  return Count();
}

int32_t QCParts::ForEachPart(QCIteratorHandler& handler) {
  if (!handler.BeginIteration()) return 0;
  int32_t visited = 0;
  for (int32_t position = 0; position < Count(); ++position) {
    auto* part = RecordCast<QCPart>(ItemAt(position));
    if (part == nullptr) continue;
    if (host::GetCurrentCantorDocument() == part->PartDocumentId() &&
        part->SavedPartId() == QCPart::kNoSavedPart) {
      part->SetSavedPartId(host::GetCurrentPartID());
      host::SetCurrentPartID(part->PartId());
    }
    bool go_on = false;
    try {
      go_on = handler.Iterate(part);
    } catch (...) {
      // A visit cut short by an exception (an allocation that failed) still
      // leaves the host's current part as it found it.
      RestoreCurrentPart(*part);
      throw;
    }
    // Restored before the answer is looked at, so the host's current part
    // is back whichever way the visit ends.
    RestoreCurrentPart(*part);
    if (!go_on) break;
    ++visited;
  }
  handler.EndIteration();
  return visited;
}
