#include "host/host_services.h"

#include "host/host_version.h"
#include "host/platform_lookup.h"

namespace host {
namespace {

// One typedef per service, in the host's calling convention.
using LoadEDataFn = int16_t (*)(uint32_t, void*, void*, int32_t*, uint32_t);
using SaveEDataFn = int16_t (*)(uint32_t, void*, const void*, uint32_t, uint32_t);
using CreateEDataFn = int16_t (*)(uint32_t, void*, const void*, uint32_t, uint32_t);
using DeleteEDataFn = int16_t (*)(uint32_t, void*, uint32_t);
using NextEDataFn = int16_t (*)(uint32_t, void*, void*, void*, uint32_t);
using SlotToInstFn = int16_t (*)(uint16_t, uint16_t, uint32_t);
using UpdateLayoutFn = int16_t (*)(int32_t, int32_t, uint32_t);
using GetCurrentCantorDocumentFn = int16_t (*)(uint32_t);
using GetCurrentPartIDFn = int16_t (*)(uint32_t);
using SetCurrentPartIDFn = int16_t (*)(int16_t, uint32_t);
using GetNextPartIDFn = int16_t (*)(int16_t, uint32_t);

// One cache entry per service. `looked_up` is set before the lookup is made,
// so a service that the host lacks is asked for once and stays missing.
struct CachedService {
  const char* name;
  bool looked_up;
  ServiceAddress address;
};

enum Service {
  kLoadEData,
  kSaveEData,
  kCreateEData,
  kDeleteEData,
  kNextEData,
  kSlotToInst,
  kUpdateLayout,
  kGetCurrentCantorDocument,
  kGetCurrentPartID,
  kSetCurrentPartID,
  kGetNextPartID,
  kServiceCount
};

constexpr CachedService kUnresolved[kServiceCount] = {
    {"QX_LoadEData", false, nullptr},        {"QX_SaveEData", false, nullptr},
    {"QX_CreateEData", false, nullptr},      {"QX_DeleteEData", false, nullptr},
    {"QX_NextEData", false, nullptr},        {"QX_SlotToInst", false, nullptr},
    {"QX_UpdateLayout", false, nullptr},     {"QX_GetCurrentCantorDocument", false, nullptr},
    {"QX_GetCurrentPartID", false, nullptr}, {"QX_SetCurrentPartID", false, nullptr},
    {"QX_GetNextPartID", false, nullptr},
};

struct ServiceCache {
  PlatformLookup lookup = kNativePlatformLookup;
  bool module_looked_up = false;
  ModuleHandle module = nullptr;
  CachedService services[kServiceCount] = {
      kUnresolved[0], kUnresolved[1], kUnresolved[2],  kUnresolved[3],
      kUnresolved[4], kUnresolved[5], kUnresolved[6],  kUnresolved[7],
      kUnresolved[8], kUnresolved[9], kUnresolved[10],
  };
};

// Constant-initialised: a function-local static with initialisation code
// would get a guard, and under MinGW the first guarded initialisation takes
// a thread-local slot that unloading the module never gives back.
constinit ServiceCache g_cache;

ServiceCache& Cache() {
  return g_cache;
}

// The first call of a service looks it up; kept out of line (and marked
// rarely taken) so that every later call through Call stays a cache read.
[[gnu::noinline, gnu::cold]] ServiceAddress Resolve(Service service) {
  ServiceCache& cache = Cache();
  CachedService& entry = cache.services[service];
  entry.looked_up = true;
  if (!cache.module_looked_up) {
    cache.module_looked_up = true;
    cache.module = cache.lookup.find_module(kHostModuleName);
    if (cache.module == nullptr) cache.module = cache.lookup.find_module(kDemoHostModuleName);
  }
  // Rationale: a null module handle is kept and used like any other. The
  // platform takes it as the process's own program, so a host executable
  // under another file name still gives its services; a program that
  // exports none leaves every service missing.
  entry.address = cache.lookup.find_service(cache.module, entry.name);
  return entry.address;
}

// The first call of service `S`: looks it up, then calls it, or answers
// `missing` when the host lacks it.
template <Service S, typename Fn, typename R, typename... Args>
[[gnu::noinline, gnu::cold]] R CallFirst(R missing, Args... args) {
  auto fn = reinterpret_cast<Fn>(Resolve(S));
  return fn == nullptr ? missing : fn(args...);
}

// Calls service `S` with `args`, or answers `missing` when the host lacks it.
// Every call after the first reads the cache and jumps to the service.
template <Service S, typename Fn, typename R, typename... Args>
R Call(R missing, Args... args) {
  const CachedService& entry = Cache().services[S];
  if (!entry.looked_up) return CallFirst<S, Fn>(missing, args...);
  auto fn = reinterpret_cast<Fn>(entry.address);
  return fn == nullptr ? missing : fn(args...);
}

}  // namespace

void InstallPlatformLookup(const PlatformLookup& lookup) {
  ServiceCache& cache = Cache();
  cache = ServiceCache{};
  cache.lookup = lookup;
}

int16_t LoadEData(uint32_t tag, void* address, void* buffer, int32_t* size, uint32_t version) {
  return Call<kLoadEData, LoadEDataFn>(int16_t{0}, tag, address, buffer, size, version);
}

int16_t SaveEData(uint32_t tag, void* address, const void* buffer, uint32_t size,
                  uint32_t version) {
  return Call<kSaveEData, SaveEDataFn>(int16_t{0}, tag, address, buffer, size, version);
}

int16_t CreateEData(uint32_t tag, void* address, const void* buffer, uint32_t size,
                    uint32_t version) {
  return Call<kCreateEData, CreateEDataFn>(int16_t{0}, tag, address, buffer, size, version);
}

int16_t DeleteEData(uint32_t tag, void* address, uint32_t version) {
  return Call<kDeleteEData, DeleteEDataFn>(int16_t{0}, tag, address, version);
}

int16_t NextEData(uint32_t tag, void* address, uint32_t version) {
  return Call<kNextEData, NextEDataFn>(int16_t{0}, tag, address, static_cast<void*>(nullptr),
                                       static_cast<void*>(nullptr), version);
}

int16_t SlotToInst(uint16_t slot, uint16_t slot_context) {
  return Call<kSlotToInst, SlotToInstFn>(int16_t{0}, slot, slot_context, kInterfaceVersion);
}

void UpdateLayout() {
  Call<kUpdateLayout, UpdateLayoutFn>(int16_t{0}, int32_t{1}, int32_t{0}, kInterfaceVersion);
}

int16_t GetCurrentCantorDocument() {
  return Call<kGetCurrentCantorDocument, GetCurrentCantorDocumentFn>(int16_t{0}, kInterfaceVersion);
}

int16_t GetCurrentPartID() {
  return Call<kGetCurrentPartID, GetCurrentPartIDFn>(int16_t{-1}, kInterfaceVersion);
}

void SetCurrentPartID(int16_t part_id) {
  Call<kSetCurrentPartID, SetCurrentPartIDFn>(int16_t{0}, part_id, kInterfaceVersion);
}

int16_t GetNextPartID(int16_t part_id) {
  return Call<kGetNextPartID, GetNextPartIDFn>(kNoPart, part_id, kInterfaceVersion);
}

}  // namespace host
