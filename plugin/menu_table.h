// The module's menu commands and the two menu item records that the host asks
// for them in. A command is one row of the table in menu_table.cpp plus the
// function it runs.
#pragma once

#include <cstdint>

#include "plugin/music_region.h"

struct MenuCommand {
  const char* menu_text;
  const char* description;
  const char* short_name;
  // Runs the command on the selection; the result goes back to the host.
  bool (*run)(const QCMusicRegion& region);
  // True when a command that answers true is followed by a layout update.
  bool updates_layout;
};

// The command listed at menu `index`, or null past the last command. Negative
// indexes list the first command, as the host has always been answered.
const MenuCommand* ListedCommandAt(int16_t index);

// The command that menu `index` runs, or null for an index outside the menu.
const MenuCommand* InvokedCommandAt(int16_t index);

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
