// The module's two menu commands and the two menu item records that the host
// asks for them in.
#pragma once

#include <cstdint>

#include "plugin/music_region.h"

struct MenuCommand {
  const char* menu_text;
  const char* description;
  const char* short_name;
  // Runs the command on the selection; the result goes back to the host.
  bool (*run)(const QCMusicRegion& region);
};

inline constexpr int16_t kStartNewPieceIndex = 0;
inline constexpr int16_t kFixIndentIndex = 1;
inline constexpr int16_t kMenuCommandCount = 2;

// The command of a menu index in 0..kMenuCommandCount-1; negative indexes
// answer the first command, as the host has always been answered.
const MenuCommand& MenuCommandAt(int16_t index);

// 8-bit menu item record (host format): three 64-byte zero-filled text fields
// then a 32-bit integer.
namespace menu_item8 {
inline constexpr int kTextField = 64;
inline constexpr int kMenuTextOffset = 0;
inline constexpr int kDescriptionOffset = 64;
inline constexpr int kShortNameOffset = 128;
inline constexpr int kEnabledOffset = 192;
inline constexpr int kSize = 196;
}  // namespace menu_item8

// UTF-16 menu item record (host format): three 128-unit text fields, each
// written up to and including one zero unit, then a 32-bit integer.
namespace menu_item16 {
inline constexpr int kTextUnits = 128;
inline constexpr int kMenuTextOffset = 0;
inline constexpr int kDescriptionOffset = 256;
inline constexpr int kShortNameOffset = 512;
inline constexpr int kEnabledOffset = 768;
inline constexpr int kSize = 772;
}  // namespace menu_item16

// The integer stored after the texts of both records.
inline constexpr uint32_t kMenuItemEnabled = 1;

// Writes the 8-bit record of `command` into `item` (menu_item8::kSize bytes).
void FillMenuItem8(const MenuCommand& command, uint8_t* item);

// Writes the UTF-16 record of `command` into `item`; bytes after each text's
// terminating unit keep the host's contents.
void FillMenuItem16(const MenuCommand& command, uint8_t* item);
