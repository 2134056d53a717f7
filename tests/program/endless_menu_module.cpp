// A module that answers 1 for every menu index it is asked about, for the
// tests that the host program stops asking at its limit. Each item is
// called "Item N" in both menu forms.
#include <cstdint>
#include <cstring>
#include <string>

#if defined(_WIN32)
#define ENDLESS_EXPORT __declspec(dllexport)
#else
#define ENDLESS_EXPORT __attribute__((visibility("default")))
#endif

namespace {

// Menu item records: three texts (menu text, description, short name), in
// the 8-bit form 64 bytes each, in the UTF-16 form 128 units each. Only the
// menu text is filled; the other two are left empty.
constexpr size_t kText8Size = 64;
constexpr size_t kText16Units = 128;

std::string ItemText(int16_t index) {
  return "Item " + std::to_string(index);
}

}  // namespace

extern "C" {

ENDLESS_EXPORT uint32_t QuilloExtensionVersion(uint32_t /*host_version*/) {
  return 0x10000000;
}

ENDLESS_EXPORT int32_t QuilloExtensionInit(void* /*context*/, uint32_t* flags) {
  *flags = 1;
  return 1;
}

ENDLESS_EXPORT int32_t QuilloExtensionEnumerate(void* /*context*/, int16_t index, void* item) {
  std::string text = ItemText(index);
  auto* bytes = static_cast<uint8_t*>(item);
  std::memset(bytes, 0, 3 * kText8Size);
  std::memcpy(bytes, text.data(), text.size());
  return 1;
}

ENDLESS_EXPORT int32_t QuilloExtensionEnumerate_UTF16(void* /*context*/, int16_t index,
                                                      void* item) {
  std::string text = ItemText(index);
  auto* bytes = static_cast<uint8_t*>(item);
  std::memset(bytes, 0, 3 * 2 * kText16Units);
  for (size_t i = 0; i < text.size(); ++i) bytes[2 * i] = static_cast<uint8_t>(text[i]);
  return 1;
}

ENDLESS_EXPORT int32_t QuilloExtensionGetMenuStatus(void* /*context*/) {
  return 1;
}

ENDLESS_EXPORT int32_t QuilloExtensionInvoke(void* /*context*/, int16_t /*index*/,
                                             const void* /*selection*/) {
  return 0;
}

ENDLESS_EXPORT void QuilloExtensionTerminate() {}

}  // extern "C"
