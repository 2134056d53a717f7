// Two parts of the C++ runtime that the Windows module, which links the
// runtime in, replaces with its own: the per-thread exception record, and the
// handler that runs when the program is terminated.
#include <cstdlib>

// The exception record. Statically linked, the runtime keeps the record of
// the exceptions being thrown and caught in emulated thread-local storage,
// whose first use (the first exception, such as a failed allocation) takes a
// thread-local slot of the process that unloading the module never gives
// back: a host that loads and unloads the module would lose one slot each
// time memory ran out. The two functions below, which the runtime calls for
// that record, replace its own; the linker then leaves the emulated storage
// out of the module.
//
// One record for the module is enough: the host calls the entry points one at
// a time, from whichever thread, and no exception outlives the entry point
// it was thrown in, so the record is empty again whenever a call returns.
// The names below are the runtime's own and must stay so: bound to other
// names at link time (--defsym), the runtime kept its emulated storage.
namespace {

// The record's layout, fixed by the C++ ABI the runtime follows: the stack
// of caught exceptions and the count of those thrown and not yet caught.
struct ExceptionGlobals {
  void* caught_exceptions;
  unsigned int uncaught_exceptions;
};

constinit ExceptionGlobals g_exception_globals{};

}  // namespace

extern "C" ExceptionGlobals* __cxa_get_globals() noexcept {
  return &g_exception_globals;
}

extern "C" ExceptionGlobals* __cxa_get_globals_fast() noexcept {
  return &g_exception_globals;
}

// The terminate handler. The runtime's own prints the type of the exception
// in flight to the standard error stream, which a windowed host does not
// have, and brings in a name demangler and a formatted-output library for it
// (about half of the module's size and a dozen imports). The module lets no
// exception leave an entry point, so only a defect could end here; the
// outcome, the process ended at once, is the same.
namespace __gnu_cxx {
[[noreturn]] void __verbose_terminate_handler() {
  std::abort();
}
}  // namespace __gnu_cxx
