// AllocationFaults: fails one chosen allocation of the module, to show that a
// command cut short by running out of memory loses nothing.
//
// Linking allocation_faults.cpp into a program replaces its global operator
// new and delete. While armed, every allocation made outside a host service
// is counted, and the one numbered `fail_at` throws std::bad_alloc. The
// stand-in host runs in the same process; connected with
// ConnectModuleToStandInOutsideFaults, its own allocations are neither
// counted nor failed. [one thread only]
#pragma once

#include <cstdint>

namespace testing_support {

class AllocationFaults {
 public:
  // Starts counting; the allocation numbered `fail_at` (from 1) fails, none
  // when it is 0.
  static void Arm(uint64_t fail_at);
  // Stops counting and failing.
  static void Disarm();
  // Whether the chosen allocation has failed since Arm.
  static bool Failed();
  // Counted allocations not yet given back to the system.
  static int64_t Outstanding();
};

// Points the module at the stand-in host (with a fresh service cache) through
// a lookup that runs every service, and the lookup itself, as the host's:
// nothing allocated there is counted or failed.
void ConnectModuleToStandInOutsideFaults();

}  // namespace testing_support
