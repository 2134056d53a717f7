// The Windows load and unload hook. The module sets up nothing here: host
// services are found at their first use. What the C++ runtime linked into the
// module takes when it is loaded is given back when the host unloads it.
#include <windows.h>

// The C++ runtime's own release call, libstdc++'s "free resources" function,
// reached through its linker symbol (no header declares it). When the module
// is loaded, the runtime sets aside an emergency block for exceptions thrown
// when memory runs out (about 72 KB); only this call gives it back, so without
// it each load and unload of the module would leave one block behind.
void ReleaseCxxRuntimeReserve() asm("_ZN9__gnu_cxx9__freeresEv");

extern "C" BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID reserved) {
  // `reserved` is null when the host unloads the module, and not when the
  // process ends, which gives back everything anyway.
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) ReleaseCxxRuntimeReserve();
  return TRUE;
}
