// What the stand-in modules of the program's tests share: how an entry point
// is exported, and how a menu item record is filled. The same header builds
// the native and the Windows modules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(_WIN32)
#define FAKE_MODULE_EXPORT extern "C" __declspec(dllexport)
#else
#define FAKE_MODULE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace fake_module {

// Fills a menu item record's three texts (menu text, description, short
// name): in the 8-bit form (`unit` 1) 64 bytes each, in the UTF-16 form
// (`unit` 2) 128 units each. The menu text and the short name are written as
// given (ASCII); everything else in the three texts is zero.
inline void FillItem(void* item, size_t unit, const char* text, const char* short_name = "") {
  const size_t text_size = unit == 1 ? 64 : 2 * 128;
  auto* bytes = static_cast<uint8_t*>(item);
  std::memset(bytes, 0, 3 * text_size);
  for (size_t i = 0; text[i] != 0; ++i) bytes[i * unit] = static_cast<uint8_t>(text[i]);
  for (size_t i = 0; short_name[i] != 0; ++i) {
    bytes[2 * text_size + i * unit] = static_cast<uint8_t>(short_name[i]);
  }
}

}  // namespace fake_module
