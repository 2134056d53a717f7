#include "tests/support/allocation_faults.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#include "host/platform_lookup.h"
#include "tests/support/stand_in_lookup.h"

// The stand-in host's services (standin/store/exported_services.cpp).
extern "C" {
int16_t QX_LoadEData(uint32_t tag, void* address, void* buffer, int32_t* size, uint32_t version);
int16_t QX_SaveEData(uint32_t tag, void* address, const void* buffer, uint32_t size,
                     uint32_t version);
int16_t QX_CreateEData(uint32_t tag, void* address, const void* buffer, uint32_t size,
                       uint32_t version);
int16_t QX_DeleteEData(uint32_t tag, void* address, uint32_t version);
int16_t QX_NextEData(uint32_t tag, void* address, void* reserved1, void* reserved2,
                     uint32_t version);
int16_t QX_SlotToInst(uint16_t slot, uint16_t context, uint32_t version);
int16_t QX_UpdateLayout(int32_t a, int32_t b, uint32_t version);
int16_t QX_GetCurrentCantorDocument(uint32_t version);
int16_t QX_GetCurrentPartID(uint32_t version);
int16_t QX_SetCurrentPartID(int16_t part, uint32_t version);
int16_t QX_GetNextPartID(int16_t part, uint32_t version);
}

namespace testing_support {
namespace {

// Each block carries a header that says whether it was counted, so that
// giving it back can be matched to its allocation.
constexpr size_t kHeader = alignof(std::max_align_t) > 16 ? alignof(std::max_align_t) : 16;
constexpr uint32_t kCounted = 0xC0C0A11Cu;

bool g_armed = false;
bool g_failed = false;
uint64_t g_fail_at = 0;
uint64_t g_counted = 0;
int64_t g_outstanding = 0;
int g_host_depth = 0;

void* Allocate(size_t size, bool may_throw) {
  bool counted = false;
  if (g_armed && g_host_depth == 0) {
    counted = true;
    if (++g_counted == g_fail_at) {
      g_failed = true;
      if (may_throw) throw std::bad_alloc();
      return nullptr;
    }
  }
  auto* raw = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (raw == nullptr) {
    if (may_throw) throw std::bad_alloc();
    return nullptr;
  }
  *reinterpret_cast<uint32_t*>(raw) = counted ? kCounted : 0;
  if (counted) ++g_outstanding;
  return raw + kHeader;
}

void Free(void* block) noexcept {
  if (block == nullptr) return;
  unsigned char* raw = static_cast<unsigned char*>(block) - kHeader;
  if (*reinterpret_cast<uint32_t*>(raw) == kCounted) --g_outstanding;
  std::free(raw);
}

// While one exists, the code running is the host's.
class HostServiceScope {
 public:
  HostServiceScope() { ++g_host_depth; }
  ~HostServiceScope() { --g_host_depth; }
  HostServiceScope(const HostServiceScope&) = delete;
  HostServiceScope& operator=(const HostServiceScope&) = delete;
};

template <auto kService>
struct AsHost;

// `kService` run as the host's code.
template <typename Result, typename... Args, Result (*kService)(Args...)>
struct AsHost<kService> {
  static Result Call(Args... args) {
    HostServiceScope host;
    return kService(args...);
  }
};

struct GuardedService {
  const char* name;
  host::ServiceAddress address;
};

template <auto kService>
host::ServiceAddress Guarded() {
  return reinterpret_cast<host::ServiceAddress>(&AsHost<kService>::Call);
}

host::ModuleHandle FindModule(const char* name) {
  HostServiceScope host;
  return StandInLookup().find_module(name);
}

host::ServiceAddress FindService(host::ModuleHandle module, const char* name) {
  HostServiceScope host;
  if (StandInLookup().find_service(module, name) == nullptr) return nullptr;
  const GuardedService services[] = {
      {"QX_LoadEData", Guarded<&QX_LoadEData>()},
      {"QX_SaveEData", Guarded<&QX_SaveEData>()},
      {"QX_CreateEData", Guarded<&QX_CreateEData>()},
      {"QX_DeleteEData", Guarded<&QX_DeleteEData>()},
      {"QX_NextEData", Guarded<&QX_NextEData>()},
      {"QX_SlotToInst", Guarded<&QX_SlotToInst>()},
      {"QX_UpdateLayout", Guarded<&QX_UpdateLayout>()},
      {"QX_GetCurrentCantorDocument", Guarded<&QX_GetCurrentCantorDocument>()},
      {"QX_GetCurrentPartID", Guarded<&QX_GetCurrentPartID>()},
      {"QX_SetCurrentPartID", Guarded<&QX_SetCurrentPartID>()},
      {"QX_GetNextPartID", Guarded<&QX_GetNextPartID>()},
  };
  for (const GuardedService& service : services) {
    if (std::strcmp(service.name, name) == 0) return service.address;
  }
  return nullptr;
}

}  // namespace

void ConnectModuleToStandInOutsideFaults() {
  host::InstallPlatformLookup(host::PlatformLookup{&FindModule, &FindService});
}

void AllocationFaults::Arm(uint64_t fail_at) {
  g_fail_at = fail_at;
  g_counted = 0;
  g_outstanding = 0;
  g_failed = false;
  g_armed = true;
}

void AllocationFaults::Disarm() {
  g_armed = false;
}

bool AllocationFaults::Failed() {
  return g_failed;
}

int64_t AllocationFaults::Outstanding() {
  return g_outstanding;
}

}  // namespace testing_support

// The replaced global allocation functions (the aligned forms keep the
// library's own, which never come here).
void* operator new(size_t size) {
  return testing_support::Allocate(size, true);
}
void* operator new[](size_t size) {
  return testing_support::Allocate(size, true);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  return testing_support::Allocate(size, false);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return testing_support::Allocate(size, false);
}
void operator delete(void* block) noexcept {
  testing_support::Free(block);
}
void operator delete[](void* block) noexcept {
  testing_support::Free(block);
}
void operator delete(void* block, size_t) noexcept {
  testing_support::Free(block);
}
void operator delete[](void* block, size_t) noexcept {
  testing_support::Free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
  testing_support::Free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
  testing_support::Free(block);
}
