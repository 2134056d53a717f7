// A stand-in host that is not QUILLO.EXE: the same document store and
// services, built under another file name, as a host of another name or
// edition would be. It runs the shipped module in the ways such a host may:
//
//   Quillo2024 commands MODULE DOCUMENT OUT
//       Start New Piece at measure 13, then Fix Indent over every measure,
//       both on this thread; writes the document to OUT.
//   Quillo2024 thread MODULE DOCUMENT OUT
//       the same, with the module loaded on this thread and both commands
//       invoked from a second one, as a host with a worker thread does.
//   Quillo2024 oom-cycles MODULE CYCLES ALLOCATION
//       CYCLES times: load the module (a test build whose allocations fail on
//       demand), run Start New Piece on the bundled suite with allocation
//       ALLOCATION failing, unload it; prints what the process holds after a
//       fifth of the cycles and at the end, and the growth per cycle.
//
// Exits 0 when every command answered as a working module does (1 for both
// commands; 0 for a command cut short by a failed allocation) and, for the
// cycles, the process holds no more at the end than after the warm-up;
// 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "standin/documents/document_file.h"
#include "standin/documents/example_documents.h"
#include "standin/program/load_cycles.h"
#include "standin/program/module_session.h"
#include "standin/store/host_document.h"
#include "standin/store/selection.h"

namespace {

constexpr int kStartMeasure = 13;
// What may grow over the measured cycles without counting as growth: a
// thread-local slot kept by each load shows at once, while the handles and
// the committed memory move a little with the process's own caches.
constexpr int64_t kHandlesTolerance = 4;
constexpr int64_t kCommittedKbTolerance = 512;
// Handle values step by four.
constexpr int64_t kHandleStep = 4;

struct Commands {
  standin::ModuleSession* module = nullptr;
  const standin::HostDocument* document = nullptr;
  int32_t start_answer = -1;
  int32_t indent_answer = -1;
  std::string error;
};

// Start New Piece at kStartMeasure, then Fix Indent over all measures.
void RunCommands(Commands& commands) {
  standin::ModuleSession& module = *commands.module;
  const auto at_start = standin::Selection::InDocument(
      *commands.document, standin::NumberRange{false, kStartMeasure, kStartMeasure}, std::nullopt,
      &commands.error);
  const auto everything = standin::Selection::InDocument(
      *commands.document, standin::NumberRange{true, 0, 0}, std::nullopt, &commands.error);
  const int start = module.FindCommand("Start New Piece");
  const int indent = module.FindCommand("Fix Indent");
  if (!at_start || !everything || start < 0 || indent < 0) {
    if (commands.error.empty()) commands.error = "the module lacks a command";
    return;
  }
  commands.start_answer = module.Invoke(static_cast<int16_t>(start), *at_start);
  commands.indent_answer = module.Invoke(static_cast<int16_t>(indent), *everything);
}

// Prints `error` on its own line; the exit code of a failed run.
int Failed(const std::string& error) {
  std::fprintf(stderr, "%s\n", error.c_str());
  return 1;
}

DWORD WINAPI RunCommandsOnThread(void* commands) {
  RunCommands(*static_cast<Commands*>(commands));
  return 0;
}

int RunBoth(const std::string& module_path, const std::string& input, const std::string& output,
            bool on_second_thread) {
  standin::HostDocument document;
  std::string error;
  if (!standin::DocumentFile::Load(input, &document, &error)) return Failed(error);
  document.logging = false;
  standin::SetActiveDocument(&document);
  Commands commands;
  {
    standin::ModuleSession module;
    if (!module.Open(module_path, document.host_version, &error)) return Failed(error);
    commands.module = &module;
    commands.document = &document;
    if (on_second_thread) {
      DWORD loading_thread = GetCurrentThreadId();
      HANDLE worker = CreateThread(nullptr, 0, &RunCommandsOnThread, &commands, 0, nullptr);
      if (worker == nullptr) return Failed("no second thread");
      WaitForSingleObject(worker, INFINITE);
      CloseHandle(worker);
      std::printf("module loaded on thread %lu, commands invoked from another\n",
                  static_cast<unsigned long>(loading_thread));
    } else {
      RunCommands(commands);
    }
  }
  standin::SetActiveDocument(nullptr);
  if (!commands.error.empty()) return Failed(commands.error);
  std::printf("Start New Piece answered %d, Fix Indent answered %d\n", commands.start_answer,
              commands.indent_answer);
  if (!standin::DocumentFile::Save(output, document, &error)) return Failed(error);
  return commands.start_answer == 1 && commands.indent_answer == 1 ? 0 : 1;
}

void Print(const char* when, int cycles, const standin::ProcessResources& held) {
  std::printf(
      "%s (%d cycles): lowest free thread-local slot %lld, lowest free handle %lld, "
      "%lld KB committed\n",
      when, cycles, static_cast<long long>(held.free_tls_slot),
      static_cast<long long>(held.free_handle), static_cast<long long>(held.committed_kb));
}

int OutOfMemoryCycles(const std::string& module_path, int cycles, const std::string& allocation) {
  SetEnvironmentVariableA("QUILLO_TEST_FAIL_ALLOCATION", allocation.c_str());
  standin::HostDocument original;
  standin::ExampleDocuments::Build("suite", &original);
  const int first_measured = cycles / 5;
  standin::ProcessResources first;
  for (int cycle = 1; cycle <= cycles; ++cycle) {
    standin::HostDocument document = original;
    document.logging = false;
    standin::SetActiveDocument(&document);
    std::string error;
    standin::ModuleSession module;
    if (!module.Open(module_path, document.host_version, &error)) return Failed(error);
    const auto selection = standin::Selection::InDocument(
        document, standin::NumberRange{false, kStartMeasure, kStartMeasure}, std::nullopt, &error);
    const int start = module.FindCommand("Start New Piece");
    if (!selection || start < 0 || module.Invoke(static_cast<int16_t>(start), *selection) != 0) {
      std::fprintf(stderr, "cycle %d: Start New Piece was not cut short\n", cycle);
      return 1;
    }
    standin::SetActiveDocument(nullptr);
    if (cycle == first_measured) first = standin::MeasureProcess();
  }
  const standin::ProcessResources last = standin::MeasureProcess();
  Print("after warm-up", first_measured, first);
  Print("at the end", cycles, last);
  const double span = cycles - first_measured;
  const int64_t slots = last.free_tls_slot - first.free_tls_slot;
  const int64_t handles = (last.free_handle - first.free_handle) / kHandleStep;
  const int64_t committed_kb = last.committed_kb - first.committed_kb;
  std::printf("per cycle: %.3f thread-local slots, %.3f handles, %.2f KB committed\n",
              static_cast<double>(slots) / span, static_cast<double>(handles) / span,
              static_cast<double>(committed_kb) / span);
  if (slots > 0 || handles > kHandlesTolerance || committed_kb > kCommittedKbTolerance) {
    std::fprintf(stderr, "the process holds more after each cut-short load cycle\n");
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if ((mode == "commands" || mode == "thread") && argc == 5) {
    return RunBoth(argv[2], argv[3], argv[4], mode == "thread");
  }
  if (mode == "oom-cycles" && argc == 5) {
    return OutOfMemoryCycles(argv[2], std::atoi(argv[3]), argv[4]);
  }
  std::fprintf(stderr,
               "usage: %s commands|thread MODULE DOCUMENT OUT\n"
               "       %s oom-cycles MODULE CYCLES ALLOCATION\n",
               argv[0], argv[0]);
  return 1;
}
