// POSIX lookup: the host is the program that loaded the module, and its
// services are symbols that the program exports dynamically. The module names
// of the Windows host mean nothing here; both resolve to the handle that
// dlopen gives for no file name.
#include <dlfcn.h>

#include "host/platform_lookup.h"

namespace host {

ModuleHandle NativeFindModule(const char* /*name*/) {
  return dlopen(nullptr, RTLD_LAZY);
}

ServiceAddress NativeFindService(ModuleHandle module, const char* name) {
  // As on Windows, a null handle stands for the main program. The handle
  // dlopen gives for no file name searches the whole global scope: the main
  // program and the libraries it was linked with (with their dependencies),
  // then every library loaded with RTLD_GLOBAL. A service the program lacks
  // may thus be found in such a library.
  void* program = module != nullptr ? module : dlopen(nullptr, RTLD_LAZY);
  if (program == nullptr) return nullptr;
  return reinterpret_cast<ServiceAddress>(dlsym(program, name));
}

}  // namespace host
