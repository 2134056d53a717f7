// The C++ runtime's per-thread exception state, kept in the module instead.
//
// Statically linked, the runtime keeps the record of the exceptions being
// thrown and caught in emulated thread-local storage, whose first use (the
// first exception, such as a failed allocation) takes a thread-local slot of
// the process that unloading the module never gives back: a host that loads
// and unloads the module would lose one slot each time memory ran out. These
// two functions, which the runtime calls for that record, replace its own;
// the linker then leaves the emulated storage out of the module.
//
// One record for the module is enough: the host calls the entry points one at
// a time, from whichever thread, and no exception outlives the entry point
// it was thrown in, so the record is empty again whenever a call returns.

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
