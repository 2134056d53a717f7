// A module that misbehaves on demand, for the tests that the host program
// survives it: HOSTILE_MODULE=WHERE:WHAT in the environment, WHERE one of
// load (its initialisation), Version, Init, Enumerate, MenuStatus, Invoke,
// Terminate, unload, and WHAT one of crash (an access to address 8), exit
// (exit(0)) or hang (an endless loop). It says so on the error stream first,
// so that a test sees that the module's own output gets through. Otherwise
// it offers one command, "Hostile", that answers 1 and does nothing.
// The same source builds the native and the Windows module.
#include <cstdio>
#include <cstdlib>

#include "fake_module.h"

namespace {

void Misbehave(const char* where) {
  const char* asked = std::getenv("HOSTILE_MODULE");
  const size_t length = std::strlen(where);
  if (asked == nullptr || std::strncmp(asked, where, length) != 0 || asked[length] != ':') return;
  const char* what = asked + length + 1;
  std::fprintf(stderr, "hostile module: %s in %s\n", what, where);
  std::fflush(stderr);
  if (std::strcmp(what, "exit") == 0) std::exit(0);
  volatile bool forever = std::strcmp(what, "hang") == 0;
  while (forever) {
  }
  // Rationale: through a volatile the compiler cannot tell the address is
  // bad, so the access is made rather than turned into a trap.
  volatile uintptr_t address = 8;
  *reinterpret_cast<volatile int*>(address) = 1;
}

// Runs when the module is loaded and unloaded.
struct LoadAndUnload {
  LoadAndUnload() { Misbehave("load"); }
  ~LoadAndUnload() { Misbehave("unload"); }
} load_and_unload;

}  // namespace

FAKE_MODULE_EXPORT uint32_t QuilloExtensionVersion(uint32_t /*host_version*/) {
  Misbehave("Version");
  return 0x10000000;
}

FAKE_MODULE_EXPORT int32_t QuilloExtensionInit(void* /*context*/, uint32_t* flags) {
  Misbehave("Init");
  *flags = 1;
  return 1;
}

FAKE_MODULE_EXPORT int32_t QuilloExtensionEnumerate(void* /*context*/, int16_t index, void* item) {
  Misbehave("Enumerate");
  if (index != 0) return 0;
  fake_module::FillItem(item, 1, "Hostile", "Hostile");
  return 1;
}

FAKE_MODULE_EXPORT int32_t QuilloExtensionEnumerate_UTF16(void* /*context*/, int16_t index,
                                                          void* item) {
  if (index != 0) return 0;
  fake_module::FillItem(item, 2, "Hostile", "Hostile");
  return 1;
}

FAKE_MODULE_EXPORT int32_t QuilloExtensionGetMenuStatus(void* /*context*/) {
  Misbehave("MenuStatus");
  return 1;
}

FAKE_MODULE_EXPORT int32_t QuilloExtensionInvoke(void* /*context*/, int16_t /*index*/,
                                                 const void* /*selection*/) {
  Misbehave("Invoke");
  return 1;
}

FAKE_MODULE_EXPORT void QuilloExtensionTerminate() {
  Misbehave("Terminate");
}
