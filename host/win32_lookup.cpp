// Windows lookup: the host executable is already loaded in the process, so it
// is found by module name without loading anything, and its services by name.
#include <windows.h>

#include "host/platform_lookup.h"

namespace host {

ModuleHandle NativeFindModule(const char* name) {
  return GetModuleHandleA(name);
}

ServiceAddress NativeFindService(ModuleHandle module, const char* name) {
  // A null handle stands for the program that started the process, so that a
  // host whose file bears neither expected name still has its services
  // found. GetProcAddress is not documented to take null for it; the module
  // handle asked for with no name is documented to be that program's.
  // GetModuleHandleA is the call the module already makes (GetModuleHandleW
  // answers the same and would be one import more).
  HMODULE program = module != nullptr ? static_cast<HMODULE>(module) : GetModuleHandleA(nullptr);
  if (program == nullptr) return nullptr;
  return reinterpret_cast<ServiceAddress>(GetProcAddress(program, name));
}

}  // namespace host
