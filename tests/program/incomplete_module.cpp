// A module that exports only the version entry point, for the tests of the
// host program's message about a module that lacks the others.
#include <cstdint>

#if defined(_WIN32)
#define INCOMPLETE_EXPORT __declspec(dllexport)
#else
#define INCOMPLETE_EXPORT __attribute__((visibility("default")))
#endif

extern "C" INCOMPLETE_EXPORT uint32_t QuilloExtensionVersion(uint32_t /*host_version*/) {
  return 0x10000000;
}
