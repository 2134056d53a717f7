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

class ModuleLoader {
 public:
  ModuleLoader() = default;
  ModuleLoader(const ModuleLoader&) = delete;
  ModuleLoader& operator=(const ModuleLoader&) = delete;
  // Unloads the module if one is loaded.
  ~ModuleLoader();

  // Loads the module at `path` and resolves every entry point. On failure
  // returns false with a message naming the file and what went wrong.
  bool Open(const std::string& path, std::string* error);

  const ExtensionEntryPoints& entry() const { return entry_; }

 private:
  void* handle_ = nullptr;
  ExtensionEntryPoints entry_;
};

// The default module file next to the running program, for this platform.
std::string DefaultModulePath(const char* argv0);

}  // namespace standin
