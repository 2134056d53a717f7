// The allocator of a test build of the module, which fails on demand:
// - QUILLO_TEST_FAIL_ALLOCATION=k: the k-th allocation (from 1, counted from
//   the module's load) throws std::bad_alloc, as if memory ran out just there;
// - QUILLO_TEST_DEFECT_AT_ALLOCATION=k: at the k-th allocation an exception
//   leaves a function that promises to throw none, as a defect in the module
//   would make one do; the C++ runtime then calls its terminate handler.
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
  if (g_allocations == g_fail_at) ThrowOutOfMemory();
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
