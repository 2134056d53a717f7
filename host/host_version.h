// The host's version, as the host reported it at start-up.
//
// One module-wide value. Record classes and the preference translation read it
// to pick record layouts; the plug-in's version entry point replaces it. The
// host calls the module from one thread at a time, so it is plain data.
#pragma once

#include <cstdint>

namespace host {

// Thresholds from which the host behaves differently, ascending, each named
// after what it switches on. Versions are compared unsigned; the numbers are
// the host's own and must not be changed.
// Measure-number regions use the 196-byte layout.
inline constexpr uint32_t kRegionLayout196From = 0x0F000000;
// The host marks the start of a piece completely (the measure's mark bit).
inline constexpr uint32_t kPieceMarksFrom = 0x10000000;
// Every system of a part has a staff list of its own.
inline constexpr uint32_t kOwnStaffListsFrom = 0x10000000;
// Measure-number regions use the 350-byte layout.
inline constexpr uint32_t kRegionLayout350From = 0x11000000;
// Measures use the long (30-byte) layout.
inline constexpr uint32_t kLongMeasureLayoutFrom = 0x12000000;
// The host version until the host reports its own.
inline constexpr uint32_t kVersionBeforeReported = 0x19000000;

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
