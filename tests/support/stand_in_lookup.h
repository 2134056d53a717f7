// The platform lookup the module uses when it runs in the same process as
// the stand-in host (tests, fuzzers, benchmarks): the host program is found
// under its usual name and its services are the stand-in host's functions.
#pragma once

#include "host/platform_lookup.h"

namespace testing_support {

host::PlatformLookup StandInLookup();

// Points the module at the stand-in host with a fresh service cache.
void ConnectModuleToStandIn();

}  // namespace testing_support
