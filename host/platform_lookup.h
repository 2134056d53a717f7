// The seam between the host bridge and the operating system.
//
// The bridge needs two platform calls: find the already loaded host program by
// its module name, and find an exported service in it by name. Each platform
// supplies them in a file of its own (win32_lookup.cpp, posix_lookup.cpp);
// tests install their own pair to count and steer the calls.
#pragma once

namespace host {

using ModuleHandle = void*;
using ServiceAddress = void (*)();

struct PlatformLookup {
  // Returns the loaded module of that name, or null.
  ModuleHandle (*find_module)(const char* name);
  // Returns the address of the named export of `module`, or null.
  ServiceAddress (*find_service)(ModuleHandle module, const char* name);
};

// The platform's two calls, defined in the platform's file.
ModuleHandle NativeFindModule(const char* name);
ServiceAddress NativeFindService(ModuleHandle module, const char* name);

// The lookup of the platform the module was built for. A constant, so that
// the service cache holding it is filled in when the module is mapped, with
// no initialisation code that would take anything from the process.
inline constexpr PlatformLookup kNativePlatformLookup{&NativeFindModule, &NativeFindService};

// Uses `lookup` from now on and forgets the cached module handle and every
// cached service, so that the next call of each service looks it up afresh.
// For tests; the module itself never calls it.
void InstallPlatformLookup(const PlatformLookup& lookup);

}  // namespace host
