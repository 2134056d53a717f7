// The host's version, as the host reported it at start-up.
//
// One module-wide value. Record classes and the preference translation read it
// to pick record layouts; the plug-in's version entry point replaces it. The
// host calls the module from one thread at a time, so it is plain data.
#pragma once

#include <cstdint>

namespace host {

// Versions are compared unsigned against these thresholds. They are the
// host's own numbering and must not be changed.
inline constexpr uint32_t kVersionBeforeReported = 0x19000000;
inline constexpr uint32_t kVersion10 = 0x10000000;
inline constexpr uint32_t kVersion12 = 0x12000000;
inline constexpr uint32_t kVersion0F = 0x0F000000;
inline constexpr uint32_t kVersion11 = 0x11000000;

// The version argument of every service that does not concern one record, and
// the default version of the record services.
inline constexpr uint32_t kInterfaceVersion = 0x19000000;

// Returns the stored host version: 0x19000000 until SetHostVersion is called.
uint32_t HostVersion();

// Stores the version that the host reported; the last call wins.
void SetHostVersion(uint32_t version);

// True when the stored host version is at least `threshold` (unsigned).
inline bool HostVersionAtLeast(uint32_t threshold) {
  return HostVersion() >= threshold;
}

}  // namespace host
