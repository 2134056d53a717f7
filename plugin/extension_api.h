// The module's exported entry points, as the host calls them.
//
// Plain C names, undecorated, in the platform's 64-bit calling convention.
// Results are 1 for yes or success and 0 for no or failure. The host calls
// them one at a time, on its own thread. The `host_data` argument is the
// host's and is ignored. No exception leaves an entry point: one thrown inside
// (a failed allocation, say) is caught there and the answer is 0.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define QUILLO_EXPORT __declspec(dllexport)
#else
#define QUILLO_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

// Stores the host's version for the module's lifetime; returns 0x10000000.
QUILLO_EXPORT uint32_t QuilloExtensionVersion(uint32_t host_version);

// Sets bit 0 of `*flags`, keeping the others; returns 1. Null `flags`: 0.
QUILLO_EXPORT int32_t QuilloExtensionInit(void* host_data, uint32_t* flags);

// Fills the 196-byte 8-bit menu item record for `index`; returns 1, or 0 for
// an index of 2 or more or a null record (nothing written).
QUILLO_EXPORT int32_t QuilloExtensionEnumerate(void* host_data, int16_t index, void* item);

// Fills the 772-byte UTF-16 menu item record for `index`; as above.
QUILLO_EXPORT int32_t QuilloExtensionEnumerate_UTF16(void* host_data, int16_t index, void* item);

// Returns 1: both commands are always available.
QUILLO_EXPORT int32_t QuilloExtensionGetMenuStatus(void* host_data);

// Runs menu command `index` on the 20-byte selection record (or null);
// returns the command's result, or 0 for an unknown index or a command cut
// short by an exception (the host's current part is then as it was).
QUILLO_EXPORT int32_t QuilloExtensionInvoke(void* host_data, int16_t index, const void* selection);

// Does nothing: the module has no shutdown work.
QUILLO_EXPORT void QuilloExtensionTerminate(void);
}
