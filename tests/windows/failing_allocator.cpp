// The allocator of a test build of the module, which fails on demand:
// - QUILLO_TEST_FAIL_ALLOCATION=k: the k-th allocation (from 1, counted from
//   the module's load) throws std::bad_alloc, as if memory ran out just there;
// - QUILLO_TEST_DEFECT_AT_ALLOCATION=k: at the k-th allocation an exception
//   leaves a function that promises to throw none, as a defect in the module
//   would make one do; the C++ runtime then calls its terminate handler;
// - QUILLO_TEST_EXHAUST_AT_ALLOCATION=k: from the k-th allocation on there is
//   no memory at all: every allocation throws, and malloc, which the module's
//   C++ runtime calls for the exceptions it throws, answers null (the test
//   build is linked with --wrap=malloc), so that an exception can only be
//   thrown from the runtime's emergency reserve.
// Without the variables nothing fails. Linked into the test build only; the
// shipped module keeps the C++ runtime's allocator.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

uint64_t g_allocations = 0;
uint64_t g_fail_at = 0;
uint64_t g_defect_at = 0;
uint64_t g_exhaust_at = 0;
bool g_variables_read = false;

// The number in environment variable `name`, 0 when it is not set.
uint64_t ReadVariable(const char* name) {
  char text[24] = {};
  const DWORD length = GetEnvironmentVariableA(name, text, sizeof text);
  return length > 0 && length < sizeof text ? std::strtoull(text, nullptr, 10) : 0;
}

void ReadVariables() {
  if (g_variables_read) return;
  g_variables_read = true;
  g_fail_at = ReadVariable("QUILLO_TEST_FAIL_ALLOCATION");
  g_defect_at = ReadVariable("QUILLO_TEST_DEFECT_AT_ALLOCATION");
  g_exhaust_at = ReadVariable("QUILLO_TEST_EXHAUST_AT_ALLOCATION");
}

bool Exhausted() {
  return g_exhaust_at != 0 && g_allocations >= g_exhaust_at;
}

[[noreturn]] void ThrowOutOfMemory() {
  throw std::bad_alloc();
}

// The defect: the exception cannot pass the noexcept, and no handler of the
// module's entry point can catch it.
void BreakNoThrowPromise() noexcept {
  ThrowOutOfMemory();
}

void* Allocate(size_t size) {
  ReadVariables();
  ++g_allocations;
  if (g_allocations == g_defect_at) BreakNoThrowPromise();
  if (g_allocations == g_fail_at || Exhausted()) ThrowOutOfMemory();
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}

void* AllocateOrNull(size_t size) noexcept {
  try {
    return Allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

// The linker's names for malloc itself and for what every call to malloc in
// the module reaches instead (--wrap=malloc).
extern "C" void* RealMalloc(size_t size) asm("__real_malloc");
extern "C" void* WrappedMalloc(size_t size) asm("__wrap_malloc");

void* WrappedMalloc(size_t size) {
  return Exhausted() ? nullptr : RealMalloc(size);
}

void* operator new(size_t size) {
  return Allocate(size);
}
void* operator new[](size_t size) {
  return Allocate(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete[](void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, size_t) noexcept {
  std::free(block);
}
void operator delete[](void* block, size_t) noexcept {
  std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}
