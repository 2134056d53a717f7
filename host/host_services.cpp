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

// The names the host exports the services under.
constexpr const char* kServiceNames[kServiceCount] = {
    "QX_LoadEData",        "QX_SaveEData",        "QX_CreateEData",   "QX_DeleteEData",
    "QX_NextEData",        "QX_SlotToInst",       "QX_UpdateLayout",  "QX_GetCurrentCantorDocument",
    "QX_GetCurrentPartID", "QX_SetCurrentPartID", "QX_GetNextPartID",
};

// The platform lookup in use and the host module it found.
struct ModuleCache {
  PlatformLookup lookup = kNativePlatformLookup;
  bool module_looked_up = false;
  ModuleHandle module = nullptr;
};

// Constant-initialised: a function-local static with initialisation code
// would get a guard, and under MinGW the first guarded initialisation takes
// a thread-local slot that unloading the module never gives back.
constinit ModuleCache g_cache;

// Looks up `service` in the host module (looking up the module itself first,
// once for all services); null when the host lacks it.
[[gnu::noinline, gnu::cold]] ServiceAddress Resolve(Service service) {
  ModuleCache& cache = g_cache;
  if (!cache.module_looked_up) {
    cache.module_looked_up = true;
    cache.module = cache.lookup.find_module(kHostModuleName);
    if (cache.module == nullptr) cache.module = cache.lookup.find_module(kDemoHostModuleName);
  }
  // Rationale: a null module handle is kept and used like any other. The
  // platform takes it as the process's own program, so a host executable
  // under another file name still gives its services; a program that
  // exports none leaves every service missing.
  return cache.lookup.find_service(cache.module, kServiceNames[service]);
}

// The calls of service `S`, a host function of type Fn that answers
// `kMissing` when the host lacks it. Every call goes through `target`: at
// first that is First, which looks the service up, points `target` at the
// host's function (or at Missing) and makes the call; every later call is a
// jump through `target`, so a service is looked up once, a missing one too.
template <Service S, typename Fn, int16_t kMissing = 0>
struct Dispatch;

template <Service S, int16_t kMissing, typename... Args>
struct Dispatch<S, int16_t (*)(Args...), kMissing> {
  using Fn = int16_t (*)(Args...);

  static int16_t Missing(Args...) { return kMissing; }
  [[gnu::noinline, gnu::cold]] static int16_t First(Args... args) {
    const auto found = reinterpret_cast<Fn>(Resolve(S));
    target = found != nullptr ? found : &Missing;
    return target(args...);
  }
  // Makes the next call look the service up again.
  static void Forget() { target = &First; }

  static constinit inline Fn target = &First;
};

using LoadEDataCall = Dispatch<kLoadEData, LoadEDataFn>;
using SaveEDataCall = Dispatch<kSaveEData, SaveEDataFn>;
using CreateEDataCall = Dispatch<kCreateEData, CreateEDataFn>;
using DeleteEDataCall = Dispatch<kDeleteEData, DeleteEDataFn>;
using NextEDataCall = Dispatch<kNextEData, NextEDataFn>;
using SlotToInstCall = Dispatch<kSlotToInst, SlotToInstFn>;
using UpdateLayoutCall = Dispatch<kUpdateLayout, UpdateLayoutFn>;
using GetCurrentCantorDocumentCall =
    Dispatch<kGetCurrentCantorDocument, GetCurrentCantorDocumentFn>;
using GetCurrentPartIDCall = Dispatch<kGetCurrentPartID, GetCurrentPartIDFn, -1>;
using SetCurrentPartIDCall = Dispatch<kSetCurrentPartID, SetCurrentPartIDFn>;
using GetNextPartIDCall = Dispatch<kGetNextPartID, GetNextPartIDFn, kNoPart>;

template <typename... Calls>
void ForgetAll() {
  (Calls::Forget(), ...);
}

}  // namespace

void InstallPlatformLookup(const PlatformLookup& lookup) {
  g_cache = ModuleCache{};
  g_cache.lookup = lookup;
  ForgetAll<LoadEDataCall, SaveEDataCall, CreateEDataCall, DeleteEDataCall, NextEDataCall,
            SlotToInstCall, UpdateLayoutCall, GetCurrentCantorDocumentCall, GetCurrentPartIDCall,
            SetCurrentPartIDCall, GetNextPartIDCall>();
}

int16_t LoadEData(uint32_t tag, void* address, void* buffer, int32_t* size, uint32_t version) {
  return LoadEDataCall::target(tag, address, buffer, size, version);
}

int16_t SaveEData(uint32_t tag, void* address, const void* buffer, uint32_t size,
                  uint32_t version) {
  return SaveEDataCall::target(tag, address, buffer, size, version);
}

int16_t CreateEData(uint32_t tag, void* address, const void* buffer, uint32_t size,
                    uint32_t version) {
  return CreateEDataCall::target(tag, address, buffer, size, version);
}

int16_t DeleteEData(uint32_t tag, void* address, uint32_t version) {
  return DeleteEDataCall::target(tag, address, version);
}

int16_t NextEData(uint32_t tag, void* address, uint32_t version) {
  return NextEDataCall::target(tag, address, nullptr, nullptr, version);
}

int16_t SlotToInst(uint16_t slot, uint16_t slot_context) {
  return SlotToInstCall::target(slot, slot_context, kInterfaceVersion);
}

void UpdateLayout() {
  UpdateLayoutCall::target(1, 0, kInterfaceVersion);
}

int16_t GetCurrentCantorDocument() {
  return GetCurrentCantorDocumentCall::target(kInterfaceVersion);
}

int16_t GetCurrentPartID() {
  return GetCurrentPartIDCall::target(kInterfaceVersion);
}

void SetCurrentPartID(int16_t part_id) {
  SetCurrentPartIDCall::target(part_id, kInterfaceVersion);
}

int16_t GetNextPartID(int16_t part_id) {
  return GetNextPartIDCall::target(part_id, kInterfaceVersion);
}

}  // namespace host
