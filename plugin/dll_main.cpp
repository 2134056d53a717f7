// The Windows load and unload hook. The module sets up nothing here: host
// services are found at their first use, so every reason simply succeeds.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD /*reason*/, LPVOID /*reserved*/) {
  return TRUE;
}
