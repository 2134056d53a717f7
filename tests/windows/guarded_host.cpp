// A windowed stand-in host (no console) with a crash guard of its own, as a
// desktop host has: an unhandled-exception filter that notes what reached it
// and lets the process end. It runs Start New Piece at measure 13 on the
// bundled suite.
//
//   guarded_host MODULE REPORT
//       the filter writes to the file REPORT one line: the exception's code,
//       the file name of the module it was raised in and its offset there;
//       then the process ends with the exception's code.
//   guarded_host MODULE REPORT --no-filter
//       the host removes every filter, the C runtime's too, and leaves a fault
//       to the system.
//
// When the command returns, REPORT says what it answered and the program
// exits 0; when the module cannot be run, REPORT says why and it exits 1.
#include <windows.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "standin/documents/example_documents.h"
#include "standin/program/module_session.h"
#include "standin/store/host_document.h"
#include "standin/store/selection.h"

namespace {

constexpr int kStartMeasure = 13;

const char* g_report_path = nullptr;

void Report(const std::string& line) {
  if (FILE* report = std::fopen(g_report_path, "wb")) {
    std::fprintf(report, "%s\n", line.c_str());
    std::fclose(report);
  }
}

int Failed(const std::string& why) {
  Report(why);
  return 1;
}

LONG WINAPI Guard(EXCEPTION_POINTERS* exception) {
  const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
  HMODULE raised_in = nullptr;
  char path[MAX_PATH] = "(no module)";
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      static_cast<LPCSTR>(record.ExceptionAddress), &raised_in);
  if (raised_in != nullptr) GetModuleFileNameA(raised_in, path, sizeof path);
  const char* name = std::strrchr(path, '\\') != nullptr ? std::strrchr(path, '\\') + 1 : path;
  const auto offset =
      reinterpret_cast<uintptr_t>(record.ExceptionAddress) - reinterpret_cast<uintptr_t>(raised_in);
  char line[MAX_PATH + 64];
  std::snprintf(line, sizeof line, "filter: exception 0x%08lX in %s at offset 0x%" PRIxPTR,
                static_cast<unsigned long>(record.ExceptionCode), name, offset);
  Report(line);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int main(int argc, char** argv) {
  const bool filtered = argc == 3;
  if (argc < 3 || argc > 4 || (argc == 4 && std::strcmp(argv[3], "--no-filter") != 0)) return 2;
  g_report_path = argv[2];
  SetUnhandledExceptionFilter(filtered ? &Guard : nullptr);

  standin::HostDocument document;
  if (!standin::ExampleDocuments::Build("suite", &document)) return Failed("no suite example");
  document.logging = false;
  standin::SetActiveDocument(&document);
  std::string error;
  standin::ModuleSession module;
  const auto selection = standin::Selection::InDocument(
      document, standin::NumberRange{false, kStartMeasure, kStartMeasure}, std::nullopt, &error);
  if (!selection || !module.Open(argv[1], document.host_version, &error)) return Failed(error);
  const int start = module.FindCommand("Start New Piece");
  if (start < 0) return Failed("the module has no Start New Piece");
  const int32_t answer = module.Invoke(static_cast<int16_t>(start), *selection);
  standin::SetActiveDocument(nullptr);
  Report("Start New Piece answered " + std::to_string(answer));
  return 0;
}
