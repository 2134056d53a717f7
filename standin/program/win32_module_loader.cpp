#include <windows.h>

#include "standin/program/module_loader.h"

namespace standin {
namespace {

template <typename Fn>
bool Resolve(HMODULE handle, const char* name, Fn* out, const std::string& path,
             std::string* error) {
  FARPROC symbol = GetProcAddress(handle, name);
  if (symbol == nullptr) {
    *error = path + ": the module does not export " + name;
    return false;
  }
  *out = reinterpret_cast<Fn>(reinterpret_cast<void*>(symbol));
  return true;
}

}  // namespace

ModuleLoader::~ModuleLoader() {
  if (handle_ == nullptr) return;
  ModuleCall call("unload");
  FreeLibrary(static_cast<HMODULE>(handle_));
}

bool ModuleLoader::Open(const std::string& path, std::string* error) {
  if (std::string problem = ModuleFileProblem(path); !problem.empty()) {
    *error = path + ": " + problem;
    return false;
  }
  // Rationale: LoadLibrary searches the program's folder, the system folders
  // and PATH for a name, and appends ".dll" to a name without an extension;
  // the module named on the command line is that file, found from the
  // current folder.
  std::string file = path;
  char full[4 * MAX_PATH];
  DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  if (length > 0 && length < sizeof full) file.assign(full, length);
  if (file.find('.', file.find_last_of("/\\") + 1) == std::string::npos) file += '.';
  HMODULE handle = nullptr;
  {
    ModuleCall call("load");
    handle = LoadLibraryExA(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
  if (handle == nullptr) {
    const DWORD code = GetLastError();
    // Rationale: the system's loader catches a crash in the module's
    // initialisation and fails the load with one of these codes.
    const bool init_failed = code == ERROR_NOACCESS || code == ERROR_DLL_INIT_FAILED;
    *error = path + ": cannot load the module (" +
             (init_failed ? "its initialisation failed: " : "") + "Windows error " +
             std::to_string(code) + ")";
    return false;
  }
  handle_ = handle;
  return Resolve(handle, "QuilloExtensionVersion", &entry_.version, path, error) &&
         Resolve(handle, "QuilloExtensionInit", &entry_.init, path, error) &&
         Resolve(handle, "QuilloExtensionEnumerate", &entry_.enumerate, path, error) &&
         Resolve(handle, "QuilloExtensionEnumerate_UTF16", &entry_.enumerate_utf16, path, error) &&
         Resolve(handle, "QuilloExtensionGetMenuStatus", &entry_.get_menu_status, path, error) &&
         Resolve(handle, "QuilloExtensionInvoke", &entry_.invoke, path, error) &&
         Resolve(handle, "QuilloExtensionTerminate", &entry_.terminate, path, error);
}

std::string DefaultModulePath(const char* argv0) {
  // Rationale: the module sits beside the program file itself, wherever the
  // program was started from; the path is converted to the code page that
  // LoadLibraryA reads.
  std::string program = argv0 == nullptr ? "" : argv0;
  wchar_t wide[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, wide, MAX_PATH);
  char narrow[4 * MAX_PATH];
  if (length > 0 && length < MAX_PATH) {
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(length), narrow,
                                    static_cast<int>(sizeof narrow), nullptr, nullptr);
    if (bytes > 0) program.assign(narrow, static_cast<size_t>(bytes));
  }
  size_t slash = program.find_last_of("/\\");
  std::string dir = slash == std::string::npos ? "." : program.substr(0, slash);
  return dir + "\\ZKStartNewPiece.qxt";
}

}  // namespace standin
