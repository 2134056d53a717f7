// A stand-in plug-in module for the host program's tests: one command,
// "Record Selection", that writes what the host handed it back into the
// document through the host's services, so that a test can read it from the
// output file:
//   - the 20-byte selection record, as an 'otDe' record at cmper = its start
//     measure (20 bytes, so the file keeps it whole in hexadecimal);
//   - bit 0x0100 set in measureFlags1 of the start measure, at the offset
//     that the host version it was given selects.
// It shares with the stand-in host only the host's description of its
// records (record_layouts, built into this module), never the host's code.
#include "fake_module.h"
#include "standin/store/record_layouts.h"
#include "standin/store/selection.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

using LoadFn = int16_t (*)(uint32_t, void*, void*, int32_t*, uint32_t);
using SaveFn = int16_t (*)(uint32_t, void*, const void*, uint32_t, uint32_t);

constexpr uint32_t kInterfaceVersion = 0x19000000;
constexpr uint16_t kRecordedFlag = 0x0100;
using standin::kEnclosureTag;
using standin::kMeasureTag;
constexpr char kMenuText[] = "Record Selection";

uint32_t g_host_version = 0;

// The host service `name`, looked up in the program that loaded the module.
template <typename Fn>
Fn Lookup(const char* name) {
#if defined(_WIN32)
  void* service = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(nullptr), name));
#else
  void* service = dlsym(RTLD_DEFAULT, name);
#endif
  return reinterpret_cast<Fn>(service);
}

}  // namespace

FAKE_MODULE_EXPORT uint32_t QuilloExtensionVersion(uint32_t host_version) {
  g_host_version = host_version;
  return 0x10000000;
}

FAKE_MODULE_EXPORT int32_t QuilloExtensionInit(void*, uint32_t* flags) {
  *flags |= 1;
  return 1;
}

FAKE_MODULE_EXPORT int32_t QuilloExtensionEnumerate(void*, int16_t index, void* item) {
  if (index != 0) return 0;
  fake_module::FillItem(item, 1, kMenuText, "Record");
  return 1;
}

FAKE_MODULE_EXPORT int32_t QuilloExtensionEnumerate_UTF16(void*, int16_t index, void* item) {
  if (index != 0) return 0;
  fake_module::FillItem(item, 2, kMenuText);
  return 1;
}

FAKE_MODULE_EXPORT int32_t QuilloExtensionGetMenuStatus(void*) {
  return 1;
}

FAKE_MODULE_EXPORT int32_t QuilloExtensionInvoke(void*, int16_t index, const void* selection) {
  auto load = Lookup<LoadFn>("QX_LoadEData");
  auto save = Lookup<SaveFn>("QX_SaveEData");
  if (index != 0 || selection == nullptr || load == nullptr || save == nullptr) return 0;
  const auto* record = static_cast<const uint8_t*>(selection);
  uint8_t address[8] = {record[standin::Selection::kStartMeasureAt],
                        record[standin::Selection::kStartMeasureAt + 1]};
  save(kEnclosureTag, address, record, standin::Selection::kRecordSize, kInterfaceVersion);

  // The measure in the layout of the host version it was given.
  using standin::RecordLayouts;
  const standin::RecordLayout& layout = RecordLayouts::Find(kMeasureTag, g_host_version);
  standin::Bytes measure(layout.size, 0);
  auto size = static_cast<int32_t>(layout.size);
  if (load(kMeasureTag, address, measure.data(), &size, layout.from_version) == 0) return 0;
  if (size != static_cast<int32_t>(layout.size)) return 0;
  const int32_t flags =
      RecordLayouts::Read(measure, kMeasureTag, g_host_version, "measureFlags1").value_or(0);
  RecordLayouts::Write(measure, kMeasureTag, g_host_version, "measureFlags1",
                       flags | kRecordedFlag);
  save(kMeasureTag, address, measure.data(), static_cast<uint32_t>(size), layout.from_version);
  return 1;
}

FAKE_MODULE_EXPORT void QuilloExtensionTerminate(void) {}
