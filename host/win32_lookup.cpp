// Windows lookup: the host executable is already loaded in the process, so it
// is found by module name without loading anything, and its services by name.
#include <windows.h>

#include "host/platform_lookup.h"

namespace host {

ModuleHandle NativeFindModule(const char* name) {
  return GetModuleHandleA(name);
}

ServiceAddress NativeFindService(ModuleHandle module, const char* name) {
  // A null handle is passed on as it is: Windows takes it as the process's
  // own executable, so a host whose file bears neither expected name still
  // has its services found.
  return reinterpret_cast<ServiceAddress>(GetProcAddress(static_cast<HMODULE>(module), name));
}

}  // namespace host
