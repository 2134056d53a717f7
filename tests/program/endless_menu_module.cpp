// A module that answers 1 for every menu index it is asked about, for the
// tests that the host program stops asking at its limit. Each item is
// called "Item N" in both menu forms; the other two texts are left empty.
#include <string>

#include "fake_module.h"

FAKE_MODULE_EXPORT uint32_t QuilloExtensionVersion(uint32_t /*host_version*/) {
  return 0x10000000;
}

FAKE_MODULE_EXPORT int32_t QuilloExtensionInit(void* /*context*/, uint32_t* flags) {
  *flags = 1;
  return 1;
}

FAKE_MODULE_EXPORT int32_t QuilloExtensionEnumerate(void* /*context*/, int16_t index, void* item) {
  fake_module::FillItem(item, 1, ("Item " + std::to_string(index)).c_str());
  return 1;
}

FAKE_MODULE_EXPORT int32_t QuilloExtensionEnumerate_UTF16(void* /*context*/, int16_t index,
                                                          void* item) {
  fake_module::FillItem(item, 2, ("Item " + std::to_string(index)).c_str());
  return 1;
}

FAKE_MODULE_EXPORT int32_t QuilloExtensionGetMenuStatus(void* /*context*/) {
  return 1;
}

FAKE_MODULE_EXPORT int32_t QuilloExtensionInvoke(void* /*context*/, int16_t /*index*/,
                                                 const void* /*selection*/) {
  return 0;
}

FAKE_MODULE_EXPORT void QuilloExtensionTerminate() {}
