// Two parts of the C++ runtime that the Windows module, which links the
// runtime in, replaces with its own: the per-thread exception record, and the
// handler that runs when the program is terminated.

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
// exception leave an entry point, so only a defect could end here.
//
// It ends on a trap instruction rather than by calling abort: the C library's
// abort ends the process at once (status 3) without raising an exception, so
// the host's crash guard (its unhandled-exception filter, a vectored handler,
// Windows Error Reporting) never runs and cannot save the user's work. The
// trap raises the processor's illegal-instruction fault (0xC000001D), which
// Windows hands to the host as it does any crash, with the fault's address in
// this function: the crash report names the module, and the address leads to
// this line. A raised exception of the module's own code would reach the same
// handlers, but its address would lie in the system's RaiseException, not in
// the module; and the trap needs no call, no import and nothing of the process
// to be in order. The C++ exceptions of the module pass this fault by: their
// handlers take only the runtime's own exception codes.
namespace __gnu_cxx {
[[noreturn]] void __verbose_terminate_handler() {
  __builtin_trap();
}
}  // namespace __gnu_cxx
