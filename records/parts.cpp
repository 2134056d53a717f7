#include "records/parts.h"

#include <cstdint>
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
  // Every part the host has named, listed or not: a part whose record does
  // not load is passed over, and a host whose list comes round to a part it
  // named before would otherwise keep the walk going for ever.
  // One bit per part id.
  uint64_t named[0x10000 / 64] = {};
  auto seen = [&named](int16_t id) -> bool {
    const auto slot = static_cast<uint16_t>(id);
    return (named[slot / 64] >> (slot % 64) & 1) != 0;
  };
  auto mark = [&named](int16_t id) {
    const auto slot = static_cast<uint16_t>(id);
    named[slot / 64] |= uint64_t{1} << (slot % 64);
  };
  int16_t part_id = 0;
  for (;;) {
    mark(part_id);
    auto part = std::make_unique<QCPart>(part_id);
    if (part->Load(static_cast<uint16_t>(part_id))) Append(std::move(part));
    part_id = host::GetNextPartID(part_id);
    if (part_id == host::kNoPart) break;
    if (seen(part_id)) break;
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
