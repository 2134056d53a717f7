// The allocator of a test build of the module: the allocation numbered by the
// environment variable QUILLO_TEST_FAIL_ALLOCATION (from 1, counted from the
// module's load) throws std::bad_alloc, as if memory ran out just there.
// Without the variable nothing fails. Linked into the test build only; the
// shipped module keeps the C++ runtime's allocator.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr char kVariable[] = "QUILLO_TEST_FAIL_ALLOCATION";

uint64_t g_allocations = 0;
uint64_t g_fail_at = 0;
bool g_variable_read = false;

uint64_t FailAt() {
  if (!g_variable_read) {
    g_variable_read = true;
    char text[24] = {};
    const DWORD length = GetEnvironmentVariableA(kVariable, text, sizeof text);
    if (length > 0 && length < sizeof text) g_fail_at = std::strtoull(text, nullptr, 10);
  }
  return g_fail_at;
}

void* Allocate(size_t size) {
  if (++g_allocations == FailAt()) throw std::bad_alloc();
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
