// Fuzzes the module's boundary against a hostile host.
//
// The input chooses the host version, a document (a well-formed score, then
// records overwritten, cut short, lengthened or removed, parts listed in
// cycles), the selection, the menu index and a fault plan for the stand-in
// host: services missing, calls refused, load sizes misreported, next-record
// steps that stay put or come round to the first record again, and one of the
// module's allocations failing. Every run must end (a call budget catches
// endless walks), with no sanitizer report, and the entry points must answer
// only what they may; a command cut short by a failed allocation answers 0
// and gives back every block it took.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "plugin/extension_api.h"
#include "standin/documents/score_generator.h"
#include "standin/store/host_document.h"
#include "standin/store/menu_commands.h"
#include "tests/support/allocation_faults.h"
#include "tests/support/host_records.h"
#include "tests/support/stand_in_lookup.h"

namespace {

using standin::Bytes;
using standin::MakeTag;
using namespace testing_support;

// The host versions at and around each change of layout or marks.
const std::vector<uint32_t> kVersions = standin::RecordLayouts::VersionsToTry();

// Every tag the host keeps records of, and one it has none of.
std::vector<uint32_t> Tags() {
  std::vector<uint32_t> tags{MakeTag("pfmm")};
  for (const standin::RecordLayout& layout : standin::RecordLayouts::All()) {
    if (std::find(tags.begin(), tags.end(), layout.tag) == tags.end()) tags.push_back(layout.tag);
  }
  return tags;
}
const std::vector<uint32_t> kTags = Tags();
const char* const kServices[] = {
    "QX_LoadEData",        "QX_SaveEData",        "QX_CreateEData",  "QX_DeleteEData",
    "QX_NextEData",        "QX_SlotToInst",       "QX_UpdateLayout", "QX_GetCurrentCantorDocument",
    "QX_GetCurrentPartID", "QX_SetCurrentPartID", "QX_GetNextPartID"};
constexpr size_t kServiceCount = sizeof(kServices) / sizeof(kServices[0]);
// Far more host calls than any command makes on the documents built here.
constexpr uint64_t kCallBudget = 2'000'000;
// The allocations a fault plan may choose to fail, counted from the start of
// a command.
constexpr uint64_t kFailableAllocations = 4000;

// `what`: the invariant, or the menu text of a command that answered wrongly.
[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

// A record number: one at the edges of the range, any, or mostly a small one.
uint16_t SomeNumber(FuzzedDataProvider& in) {
  constexpr uint16_t kEdges[] = {0, 0xFFFF, 0xFFFE};
  const int kind = in.ConsumeIntegralInRange<int>(0, 5);
  if (kind < 3) return kEdges[kind];
  return kind == 3 ? in.ConsumeIntegral<uint16_t>() : in.ConsumeIntegralInRange<uint16_t>(1, 40);
}

void Mutate(FuzzedDataProvider& in, standin::HostDocument& doc) {
  const int edits = in.ConsumeIntegralInRange<int>(0, 24);
  for (int e = 0; e < edits && in.remaining_bytes() > 0; ++e) {
    const uint32_t tag = in.ConsumeBool()
                             ? kTags[in.ConsumeIntegralInRange<size_t>(0, kTags.size() - 1)]
                             : in.ConsumeIntegral<uint32_t>();
    const uint16_t cmper = SomeNumber(in);
    const uint16_t inci = in.ConsumeBool() ? 0 : SomeNumber(in);
    const auto part = in.ConsumeIntegralInRange<int16_t>(0, 3);
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
      case 0:
        doc.Erase(tag, cmper, inci, part);
        break;
      case 1: {  // a record of an odd length
        size_t length = in.ConsumeIntegralInRange<size_t>(0, 400);
        Bytes bytes = in.ConsumeBytes<uint8_t>(length);
        bytes.resize(length);
        doc.Put(tag, cmper, inci, bytes, part);
        break;
      }
      default: {  // overwrite a few bytes of an existing record
        auto& records = doc.mutable_records();
        if (records.empty()) break;
        auto it = records.lower_bound(doc.KeyFor(tag, cmper, inci, part));
        if (it == records.end()) it = records.begin();
        for (int k = in.ConsumeIntegralInRange<int>(1, 4); k > 0 && !it->second.empty(); --k) {
          it->second[in.ConsumeIntegralInRange<size_t>(0, it->second.size() - 1)] =
              in.ConsumeIntegral<uint8_t>();
        }
      }
    }
  }
  if (in.ConsumeIntegralInRange<int>(0, 7) == 0) {  // a part list that may repeat itself
    doc.parts.clear();
    for (int n = in.ConsumeIntegralInRange<int>(0, 6); n > 0; --n)
      doc.parts.push_back(in.ConsumeIntegralInRange<int16_t>(-2, 5));
  }
}

// Plans the host's faults; returns true when the plan may refuse or lack a
// service that switching parts depends on.
bool PlanFaults(FuzzedDataProvider& in, standin::HostDocument& doc, uint64_t* calls) {
  const auto missing = in.ConsumeIntegral<uint16_t>();
  const bool any_missing = in.ConsumeIntegralInRange<int>(0, 3) == 0;
  for (size_t s = 0; s < kServiceCount; ++s) {
    if (any_missing && (missing & (1u << s)) != 0) doc.missing_services.insert(kServices[s]);
  }
  const auto refused = in.ConsumeIntegral<uint16_t>();
  const bool any_refused = in.ConsumeIntegralInRange<int>(0, 2) == 0;
  const auto every = in.ConsumeIntegralInRange<uint32_t>(1, 7);
  doc.refuse = [=](const standin::ServiceCall& call) {
    if (++*calls > kCallBudget) Fail("the command does not end");
    if (!any_refused) return false;
    for (size_t s = 0; s < kServiceCount; ++s) {
      if ((refused & (1u << s)) != 0 && call.service == kServices[s]) return *calls % every == 0;
    }
    return false;
  };
  // Load sizes misreported: negative, or any size, one time in four.
  const int size_fault = in.ConsumeIntegralInRange<int>(0, 7);
  if (size_fault == 0) doc.reported_load_size = -in.ConsumeIntegralInRange<int32_t>(1, 1000);
  if (size_fault == 1) doc.reported_load_size = in.ConsumeIntegralInRange<int32_t>(0, 100000);
  doc.next_does_not_advance = in.ConsumeIntegralInRange<int>(0, 9) == 0;
  doc.next_wraps_around = in.ConsumeIntegralInRange<int>(0, 9) == 0;
  constexpr uint16_t kPartServices = (1u << 7) | (1u << 8) | (1u << 9);
  return (any_missing && (missing & kPartServices) != 0) ||
         (any_refused && (refused & kPartServices) != 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  standin::ScoreShape shape;
  shape.host_version = in.ConsumeBool()
                           ? kVersions[in.ConsumeIntegralInRange<size_t>(0, kVersions.size() - 1)]
                           : in.ConsumeIntegral<uint32_t>();
  shape.parts = in.ConsumeIntegralInRange<int>(1, 4);
  shape.measures = in.ConsumeIntegralInRange<int>(1, 30);
  shape.score_staves = in.ConsumeIntegralInRange<int>(0, 3);
  shape.score_system_min = in.ConsumeIntegralInRange<int>(1, 4);
  shape.score_system_max = shape.score_system_min + in.ConsumeIntegralInRange<int>(0, 3);
  shape.part_system_min = in.ConsumeIntegralInRange<int>(1, 6);
  shape.part_system_max = shape.part_system_min + in.ConsumeIntegralInRange<int>(0, 4);
  shape.movement_starts = {1, in.ConsumeIntegralInRange<int>(1, 30)};
  shape.rests_per_part = in.ConsumeIntegralInRange<int>(0, 3);
  shape.split_gate = in.ConsumeBool() ? 0 : in.ConsumeIntegral<uint16_t>();
  shape.seed = in.ConsumeIntegral<uint32_t>();
  standin::HostDocument doc = standin::GenerateScore(shape);
  doc.logging = false;
  doc.current_part = in.ConsumeIntegralInRange<int16_t>(0, 3);
  Mutate(in, doc);

  uint64_t calls = 0;
  const bool parts_faulted = PlanFaults(in, doc, &calls);

  const bool null_selection = in.ConsumeIntegralInRange<int>(0, 15) == 0;
  standin::Selection selection;
  selection.start_slot_context = in.ConsumeIntegral<uint16_t>();
  selection.start_slot = in.ConsumeIntegral<uint16_t>();
  selection.start_measure = in.ConsumeIntegral<int16_t>();
  selection.start_position = in.ConsumeIntegral<uint32_t>();
  selection.end_slot_context = in.ConsumeIntegral<uint16_t>();
  selection.end_slot = in.ConsumeIntegral<uint16_t>();
  selection.end_measure = in.ConsumeIntegral<int16_t>();
  selection.end_position = in.ConsumeIntegral<uint32_t>();
  if (in.ConsumeBool()) {  // a start measure inside the document, most of the time
    selection.start_measure = in.ConsumeIntegralInRange<int16_t>(-2, 34);
  }
  const SelectionRecord record = selection.Encode();
  const int16_t start_measure = null_selection ? 0 : selection.start_measure;
  const int16_t index = in.ConsumeBool()
                            ? in.ConsumeIntegralInRange<int16_t>(0, standin::kMenuCommandCount - 1)
                            : in.ConsumeIntegral<int16_t>();
  // Which of the module's allocations fails, if any: mostly one of the first
  // few hundred, where both commands make theirs.
  const uint64_t fail_at = in.ConsumeIntegralInRange<int>(0, 3) == 3
                               ? in.ConsumeIntegralInRange<uint64_t>(1, kFailableAllocations)
                               : 0;

  standin::SetActiveDocument(&doc);
  testing_support::ConnectModuleToStandInOutsideFaults();
  if (QuilloExtensionVersion(shape.host_version) != 0x10000000) Fail("version answer");
  const int16_t part_before = doc.current_part;
  AllocationFaults::Arm(fail_at);
  const int32_t result =
      QuilloExtensionInvoke(nullptr, index, null_selection ? nullptr : record.data());
  AllocationFaults::Disarm();
  standin::SetActiveDocument(nullptr);

  if (AllocationFaults::Outstanding() != 0) Fail("blocks not given back at the end of a command");
  if (AllocationFaults::Failed()) {
    if (result != 0) Fail("answer of a command cut short");
    if (!parts_faulted && doc.current_part != part_before) Fail("current part not restored");
    return 0;
  }
  if (index >= 0 && index < standin::kMenuCommandCount) {
    const standin::MenuCommandText& command = standin::kMenuCommands[index];
    const bool runs = command.least_start_measure == standin::kAnyStart ||
                      start_measure >= command.least_start_measure;
    if (result != (runs ? 1 : 0)) Fail(command.menu_text);
  } else if (result != 0) {
    Fail("unknown index answer");
  }
  // The part switches are undone, unless the host refused or lacks the
  // services that do it.
  if (!parts_faulted && doc.current_part != part_before) Fail("current part not restored");
  return 0;
}
