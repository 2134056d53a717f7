// The exported entry points: the boundary between the host and the module.
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

// Runs the body of an entry point. Anything thrown in it, such as a failed
// allocation, ends here as the answer 0: an exception that reached the host
// would take the host program, and the user's unsaved work, down with it.
template <typename Body>
auto Answer(Body body) noexcept -> decltype(body()) {
  try {
    return body();
  } catch (...) {
    return 0;
  }
}

int32_t RunCommand(int16_t index, const void* selection) {
  // The region is built, and the document asked for, before the index is
  // looked at: the host has always seen that call even for unknown indexes.
  static constexpr uint8_t kNoSelection[QCMusicRegion::kSelectionSize] = {};
  const bool has_selection = selection != nullptr;
  const QCMusicRegion region(has_selection ? static_cast<const uint8_t*>(selection) : kNoSelection,
                             has_selection ? host::GetCurrentCantorDocument() : int16_t{0});
  const MenuCommand* command = InvokedCommandAt(index);
  if (command == nullptr || !command->run(region)) return 0;
  if (command->updates_layout) host::UpdateLayout();
  return 1;
}

}  // namespace

extern "C" {

uint32_t QuilloExtensionVersion(uint32_t host_version) {
  return Answer([&]() -> uint32_t {
    host::SetHostVersion(host_version);
    return kExtensionInterfaceVersion;
  });
}

int32_t QuilloExtensionInit(void* /*host_data*/, uint32_t* flags) {
  return Answer([&]() -> int32_t {
    if (flags == nullptr) return 0;
    *flags |= kInitFlagReady;
    return 1;
  });
}

int32_t QuilloExtensionEnumerate(void* /*host_data*/, int16_t index, void* item) {
  return Answer([&]() -> int32_t {
    const MenuCommand* command = ListedCommandAt(index);
    if (command == nullptr || item == nullptr) return 0;
    FillMenuItem8(*command, static_cast<uint8_t*>(item));
    return 1;
  });
}

int32_t QuilloExtensionEnumerate_UTF16(void* /*host_data*/, int16_t index, void* item) {
  return Answer([&]() -> int32_t {
    const MenuCommand* command = ListedCommandAt(index);
    if (command == nullptr || item == nullptr) return 0;
    FillMenuItem16(*command, static_cast<uint8_t*>(item));
    return 1;
  });
}

int32_t QuilloExtensionGetMenuStatus(void* /*host_data*/) {
  return Answer([]() -> int32_t { return 1; });
}

int32_t QuilloExtensionInvoke(void* /*host_data*/, int16_t index, const void* selection) {
  const int32_t result = Answer([&] { return RunCommand(index, selection); });
  // Every object the command made is gone, also when it was cut short; so
  // are the blocks they used.
  RecordPool::Release();
  return result;
}

void QuilloExtensionTerminate(void) {}

}  // extern "C"
