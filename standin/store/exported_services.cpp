// The host services, exported under the names the module looks up. Each one
// forwards to the active document; with none active every service answers 0.
#include <cstring>

#include "standin/store/host_document.h"

#if defined(_WIN32)
#define QX_EXPORT __declspec(dllexport)
#else
#define QX_EXPORT __attribute__((visibility("default")))
#endif

namespace standin {
HostDocument* g_active = nullptr;

HostDocument* SetActiveDocument(HostDocument* document) {
  HostDocument* previous = g_active;
  g_active = document;
  return previous;
}

}  // namespace standin

using standin::g_active;

extern "C" {

QX_EXPORT int16_t QX_LoadEData(uint32_t tag, void* address, void* buffer, int32_t* size,
                               uint32_t version) {
  if (g_active == nullptr) return 0;
  return g_active->LoadEData(tag, static_cast<uint8_t*>(address), buffer, size, version);
}

QX_EXPORT int16_t QX_SaveEData(uint32_t tag, void* address, const void* buffer, uint32_t size,
                               uint32_t version) {
  if (g_active == nullptr) return 0;
  return g_active->SaveEData(tag, static_cast<uint8_t*>(address), buffer, size, version);
}

QX_EXPORT int16_t QX_CreateEData(uint32_t tag, void* address, const void* buffer, uint32_t size,
                                 uint32_t version) {
  if (g_active == nullptr) return 0;
  return g_active->CreateEData(tag, static_cast<uint8_t*>(address), buffer, size, version);
}

QX_EXPORT int16_t QX_DeleteEData(uint32_t tag, void* address, uint32_t version) {
  if (g_active == nullptr) return 0;
  return g_active->DeleteEData(tag, static_cast<uint8_t*>(address), version);
}

QX_EXPORT int16_t QX_NextEData(uint32_t tag, void* address, void* /*reserved1*/,
                               void* /*reserved2*/, uint32_t version) {
  if (g_active == nullptr) return 0;
  return g_active->NextEData(tag, static_cast<uint8_t*>(address), version);
}

QX_EXPORT int16_t QX_SlotToInst(uint16_t slot, uint16_t context, uint32_t version) {
  return g_active == nullptr ? 0 : g_active->SlotToInst(slot, context, version);
}

QX_EXPORT int16_t QX_UpdateLayout(int32_t a, int32_t b, uint32_t version) {
  return g_active == nullptr ? 0 : g_active->UpdateLayout(a, b, version);
}

QX_EXPORT int16_t QX_GetCurrentCantorDocument(uint32_t version) {
  return g_active == nullptr ? 0 : g_active->GetCurrentCantorDocument(version);
}

QX_EXPORT int16_t QX_GetCurrentPartID(uint32_t version) {
  return g_active == nullptr ? 0 : g_active->GetCurrentPartID(version);
}

QX_EXPORT int16_t QX_SetCurrentPartID(int16_t part, uint32_t version) {
  return g_active == nullptr ? 0 : g_active->SetCurrentPartID(part, version);
}

QX_EXPORT int16_t QX_GetNextPartID(int16_t part, uint32_t version) {
  return g_active == nullptr ? 0 : g_active->GetNextPartID(part, version);
}

}  // extern "C"

namespace standin {

void (*FindService(const char* name))() {
  using Fn = void (*)();
  struct Entry {
    const char* name;
    Fn address;
  };
  static const Entry kServices[] = {
      {"QX_LoadEData", reinterpret_cast<Fn>(&QX_LoadEData)},
      {"QX_SaveEData", reinterpret_cast<Fn>(&QX_SaveEData)},
      {"QX_CreateEData", reinterpret_cast<Fn>(&QX_CreateEData)},
      {"QX_DeleteEData", reinterpret_cast<Fn>(&QX_DeleteEData)},
      {"QX_NextEData", reinterpret_cast<Fn>(&QX_NextEData)},
      {"QX_SlotToInst", reinterpret_cast<Fn>(&QX_SlotToInst)},
      {"QX_UpdateLayout", reinterpret_cast<Fn>(&QX_UpdateLayout)},
      {"QX_GetCurrentCantorDocument", reinterpret_cast<Fn>(&QX_GetCurrentCantorDocument)},
      {"QX_GetCurrentPartID", reinterpret_cast<Fn>(&QX_GetCurrentPartID)},
      {"QX_SetCurrentPartID", reinterpret_cast<Fn>(&QX_SetCurrentPartID)},
      {"QX_GetNextPartID", reinterpret_cast<Fn>(&QX_GetNextPartID)},
  };
  if (g_active != nullptr && g_active->missing_services.count(name) > 0) return nullptr;
  for (const Entry& entry : kServices) {
    if (std::strcmp(entry.name, name) == 0) return entry.address;
  }
  return nullptr;
}

}  // namespace standin
