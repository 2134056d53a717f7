#include <dlfcn.h>
#include <unistd.h>

#include "standin/program/module_loader.h"

namespace standin {
namespace {

template <typename Fn>
bool Resolve(void* handle, const char* name, Fn* out, const std::string& path, std::string* error) {
  void* symbol = dlsym(handle, name);
  if (symbol == nullptr) {
    *error = path + ": the module does not export " + name;
    return false;
  }
  *out = reinterpret_cast<Fn>(symbol);
  return true;
}

}  // namespace

ModuleLoader::~ModuleLoader() {
  if (handle_ == nullptr) return;
  ModuleCall call("unload");
  dlclose(handle_);
}

bool ModuleLoader::Open(const std::string& path, std::string* error) {
  if (std::string problem = ModuleFileProblem(path); !problem.empty()) {
    *error = path + ": " + problem;
    return false;
  }
  // Rationale: dlopen looks a name without a slash up on the library path;
  // the module named on the command line is a file, here the one in the
  // current folder.
  const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  {
    ModuleCall call("load");
    handle_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  if (handle_ == nullptr) {
    const char* reason = dlerror();
    *error = path + ": cannot load the module (" + (reason ? reason : "unknown reason") + ")";
    return false;
  }
  return Resolve(handle_, "QuilloExtensionVersion", &entry_.version, path, error) &&
         Resolve(handle_, "QuilloExtensionInit", &entry_.init, path, error) &&
         Resolve(handle_, "QuilloExtensionEnumerate", &entry_.enumerate, path, error) &&
         Resolve(handle_, "QuilloExtensionEnumerate_UTF16", &entry_.enumerate_utf16, path, error) &&
         Resolve(handle_, "QuilloExtensionGetMenuStatus", &entry_.get_menu_status, path, error) &&
         Resolve(handle_, "QuilloExtensionInvoke", &entry_.invoke, path, error) &&
         Resolve(handle_, "QuilloExtensionTerminate", &entry_.terminate, path, error);
}

std::string DefaultModulePath(const char* argv0) {
  // Rationale: the program may be started through PATH or a link; the
  // module sits beside the program file itself, which the kernel names.
  char resolved[4096];
  ssize_t length = readlink("/proc/self/exe", resolved, sizeof resolved - 1);
  std::string program = argv0 == nullptr ? "" : argv0;
  if (length > 0) program.assign(resolved, static_cast<size_t>(length));
  size_t slash = program.find_last_of('/');
  std::string dir = slash == std::string::npos ? "." : program.substr(0, slash);
  return dir + "/ZKStartNewPiece.so";
}

}  // namespace standin
