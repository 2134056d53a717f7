// Load cycles: the quillo program's check that a module can be loaded and
// unloaded as often as the host likes. Each cycle loads the module, runs
// Start New Piece on a fresh copy of the bundled suite and unloads the module
// again; what the process holds (thread-local slots, handles, committed
// memory) is measured after a warm-up and again at the end, and must not
// have grown.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace standin {

// What the process holds, where the platform tells it (Windows).
struct ProcessResources {
  bool measured = false;
  int64_t free_tls_slot = 0;  // the lowest thread-local slot free
  int64_t free_handle = 0;    // the value a new handle gets
  int64_t handles = 0;        // open handles; 0 where the system does not count them (Wine)
  int64_t committed_kb = 0;   // private committed memory
};

ProcessResources MeasureProcess();

// Runs `cycles` cycles of the module at `module_path`; prints both
// measurements and answers 0 when nothing grew, 2 otherwise or when a cycle
// fails, handing the failure's one-line message (without "quillo: ") to
// `fail`.
int RunLoadCycles(const std::string& module_path, int cycles, std::FILE* out,
                  const std::function<void(const std::string&)>& fail);

}  // namespace standin
