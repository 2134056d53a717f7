// The exported entry points: the boundary between the host and the module.
#include <cstring>

#include "framework/record_pool.h"
#include "host/host_services.h"
#include "host/host_version.h"
#include "plugin/extension_api.h"
#include "plugin/menu_table.h"
#include "plugin/music_region.h"

namespace {

// The value the host expects back from the version exchange.
constexpr uint32_t kExtensionInterfaceVersion = 0x10000000;
constexpr uint32_t kInitFlagReady = 0x1;

}  // namespace

extern "C" {

uint32_t QuilloExtensionVersion(uint32_t host_version) {
  host::SetHostVersion(host_version);
  return kExtensionInterfaceVersion;
}

int32_t QuilloExtensionInit(void* /*host_data*/, uint32_t* flags) {
  if (flags == nullptr) return 0;
  *flags |= kInitFlagReady;
  return 1;
}

int32_t QuilloExtensionEnumerate(void* /*host_data*/, int16_t index, void* item) {
  if (index >= kMenuCommandCount || item == nullptr) return 0;
  FillMenuItem8(MenuCommandAt(index), static_cast<uint8_t*>(item));
  return 1;
}

int32_t QuilloExtensionEnumerate_UTF16(void* /*host_data*/, int16_t index, void* item) {
  if (index >= kMenuCommandCount || item == nullptr) return 0;
  FillMenuItem16(MenuCommandAt(index), static_cast<uint8_t*>(item));
  return 1;
}

int32_t QuilloExtensionGetMenuStatus(void* /*host_data*/) {
  return 1;
}

int32_t QuilloExtensionInvoke(void* /*host_data*/, int16_t index, const void* selection) {
  // The region is built, and the document asked for, before the index is
  // looked at: the host has always seen that call even for unknown indexes.
  static constexpr uint8_t kNoSelection[QCMusicRegion::kSelectionSize] = {};
  const bool has_selection = selection != nullptr;
  const QCMusicRegion region(has_selection ? static_cast<const uint8_t*>(selection) : kNoSelection,
                             has_selection ? host::GetCurrentCantorDocument() : int16_t{0});
  int32_t result = 0;
  if (index == kStartNewPieceIndex) {
    if (MenuCommandAt(index).run(region)) {
      host::UpdateLayout();
      result = 1;
    }
  } else if (index == kFixIndentIndex) {
    result = MenuCommandAt(index).run(region) ? 1 : 0;
  }
  // Every object the command made is gone; so are the blocks they used.
  RecordPool::Release();
  return result;
}

void QuilloExtensionTerminate(void) {}

}  // extern "C"
