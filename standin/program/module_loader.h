// ModuleLoader: loads a plug-in module from a file, as the host does, and
// finds its seven entry points. The platform's loader call lives in
// posix_module_loader.cpp or win32_module_loader.cpp.
#pragma once

#include <cstdint>
#include <string>

namespace standin {

struct ExtensionEntryPoints {
  uint32_t (*version)(uint32_t) = nullptr;
  int32_t (*init)(void*, uint32_t*) = nullptr;
  int32_t (*enumerate)(void*, int16_t, void*) = nullptr;
  int32_t (*enumerate_utf16)(void*, int16_t, void*) = nullptr;
  int32_t (*get_menu_status)(void*) = nullptr;
  int32_t (*invoke)(void*, int16_t, const void*) = nullptr;
  void (*terminate)() = nullptr;
};

// One call into the module's code, announced while it lasts: a process that
// watches this one (see ModuleWorker) can then tell which entry point a
// crash, an exit or a hang happened in. Loading and unloading count as calls
// ("load", "unload"): they run the module's initialisation and finalisation.
class ModuleCall {
 public:
  // Told the entry point's name as a call starts, and nullptr as it returns.
  using Listener = void (*)(const char* entry);
  static void Listen(Listener listener) { listener_ = listener; }

  explicit ModuleCall(const char* entry) {
    if (listener_ != nullptr) listener_(entry);
  }
  ~ModuleCall() {
    if (listener_ != nullptr) listener_(nullptr);
  }
  ModuleCall(const ModuleCall&) = delete;
  ModuleCall& operator=(const ModuleCall&) = delete;

 private:
  static inline Listener listener_ = nullptr;
};

class ModuleLoader {
 public:
  ModuleLoader() = default;
  ModuleLoader(const ModuleLoader&) = delete;
  ModuleLoader& operator=(const ModuleLoader&) = delete;
  // Unloads the module if one is loaded.
  ~ModuleLoader();

  // Loads the module at `path` and resolves every entry point. A path
  // without a folder names a file in the current folder, never one on the
  // system's library path; anything but a regular file is refused without
  // being opened. On failure returns false with a message naming the file
  // and what went wrong.
  bool Open(const std::string& path, std::string* error);

  const ExtensionEntryPoints& entry() const { return entry_; }

 private:
  void* handle_ = nullptr;
  ExtensionEntryPoints entry_;
};

// Why the file at `path` cannot be a module, or "" when it can be loaded:
// it must exist and be a regular file (or a link to one).
std::string ModuleFileProblem(const std::string& path);

// The default module file next to the running program, for this platform.
std::string DefaultModulePath(const char* argv0);

}  // namespace standin
