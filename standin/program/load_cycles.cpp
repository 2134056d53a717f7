#include "standin/program/load_cycles.h"

#include <algorithm>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "standin/documents/example_documents.h"
#include "standin/documents/text_file.h"
#include "standin/program/module_session.h"
#include "standin/store/selection.h"

namespace standin {
namespace {

// The first measurement is taken after this many cycles (or a fifth of the
// run, if shorter), when whatever the process sets up once is in place.
constexpr int kWarmUpCycles = 500;
// What may differ between the two measurements without counting as growth:
// a thread-local slot taken for good by each load shows at once; the handle
// count and committed memory move a little with the process's own caches.
constexpr int64_t kTlsSlotsTolerance = 0;
constexpr int64_t kHandlesTolerance = 4;
constexpr int64_t kCommittedKbTolerance = 512;
constexpr int kStartMeasure = 5;
// Handle values step by four.
constexpr int64_t kHandleStep = 4;

// One cycle; false with `error` set when the module does not load or the
// command does not run.
bool Cycle(const std::string& module_path, const HostDocument& original, std::string* error) {
  HostDocument document = original;
  document.logging = false;
  HostDocument* previous = SetActiveDocument(&document);
  bool ran = false;
  {
    ModuleSession module;
    if (module.Open(module_path, document.host_version, error)) {
      const int index = module.FindCommand("Start New Piece");
      auto selection = Selection::InDocument(
          document, NumberRange{false, kStartMeasure, kStartMeasure}, std::nullopt, error);
      if (index < 0) {
        *error = Echo(module_path) + ": the module has no command \"Start New Piece\"";
      } else if (selection) {
        ran = module.Invoke(static_cast<int16_t>(index), *selection) == 1;
        if (!ran) *error = Echo(module_path) + ": \"Start New Piece\" answered 0";
      }
    }
  }
  SetActiveDocument(previous);
  return ran;
}

void Print(std::FILE* out, int cycles, const ProcessResources& resources) {
  std::fprintf(out,
               "after %d cycles: lowest free thread-local slot %lld, lowest free handle %lld, ",
               cycles, static_cast<long long>(resources.free_tls_slot),
               static_cast<long long>(resources.free_handle));
  if (resources.handles > 0) {
    std::fprintf(out, "%lld handles open, ", static_cast<long long>(resources.handles));
  }
  std::fprintf(out, "%lld KB committed\n", static_cast<long long>(resources.committed_kb));
}

}  // namespace

ProcessResources MeasureProcess() {
  ProcessResources resources;
#if defined(_WIN32)
  // Slots and handles are handed out lowest free first, so the one a fresh
  // request gets climbs when earlier ones are never given back.
  const DWORD slot = TlsAlloc();
  if (slot != TLS_OUT_OF_INDEXES) TlsFree(slot);
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (event != nullptr) CloseHandle(event);
  DWORD handles = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handles);
  // Private committed memory, region by region: the process counters that
  // would give it are not filled in under Wine.
  uint64_t committed = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (auto* address = static_cast<const char*>(nullptr);
       VirtualQuery(address, &region, sizeof region) == sizeof region;
       address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) committed += region.RegionSize;
  }
  resources.measured = slot != TLS_OUT_OF_INDEXES && event != nullptr;
  resources.free_tls_slot = slot;
  resources.free_handle = static_cast<int64_t>(reinterpret_cast<uintptr_t>(event));
  resources.handles = handles;
  resources.committed_kb = static_cast<int64_t>(committed / 1024);
#endif
  return resources;
}

int RunLoadCycles(const std::string& module_path, int cycles, std::FILE* out,
                  const std::function<void(const std::string&)>& fail) {
  HostDocument original;
  ExampleDocuments::Build("suite", &original);
  const int warm_up = std::min(kWarmUpCycles, cycles / 5);
  ProcessResources first;
  for (int cycle = 1; cycle <= cycles; ++cycle) {
    std::string error;
    if (!Cycle(module_path, original, &error)) {
      // The loader's messages quote the path as it is: only printable text
      // reaches the terminal.
      fail("cycle " + std::to_string(cycle) + ": " + Printable(error, 5 * kMostEchoedChars, false));
      return 2;
    }
    if (cycle == warm_up) first = MeasureProcess();
  }
  const ProcessResources last = MeasureProcess();
  std::fprintf(out, "%d load, command, unload cycles of %s\n", cycles, Echo(module_path).c_str());
  if (!first.measured || !last.measured) {
    std::fprintf(out, "process resources are not measured on this platform\n");
    return 0;
  }
  Print(out, warm_up, first);
  Print(out, cycles, last);
  const bool grew = last.free_tls_slot - first.free_tls_slot > kTlsSlotsTolerance ||
                    last.free_handle - first.free_handle > kHandlesTolerance * kHandleStep ||
                    last.handles - first.handles > kHandlesTolerance ||
                    last.committed_kb - first.committed_kb > kCommittedKbTolerance;
  if (grew) {
    std::fflush(out);
    fail(Echo(module_path) + ": the process holds more after each load and unload");
    return 2;
  }
  std::fprintf(out, "nothing grew (tolerance: %lld slots, %lld handles, %lld KB)\n",
               static_cast<long long>(kTlsSlotsTolerance),
               static_cast<long long>(kHandlesTolerance),
               static_cast<long long>(kCommittedKbTolerance));
  return 0;
}

}  // namespace standin
