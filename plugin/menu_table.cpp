#include "plugin/menu_table.h"

#include <cstring>
#include <iterator>

#include "host/byte_order.h"
#include "plugin/fix_indent.h"
#include "plugin/start_new_piece.h"

namespace {

// In menu order.
constexpr MenuCommand kCommands[] = {
    {"ZK Start New Piece", "Starts a new piece at beginning of the selection.", "Start New Piece",
     &StartNewPiece, true},
    {"Fix Indent (ZK Start New Piece)", "Fixes indentation within the selected measure span.",
     "Fix Indent", &FixIndent, false},
};
constexpr int16_t kCommandCount = static_cast<int16_t>(std::size(kCommands));

void CopyText8(const char* text, uint8_t* field) {
  size_t length = std::strlen(text);
  if (length > static_cast<size_t>(menu_item8::kTextField)) length = menu_item8::kTextField;
  std::memset(field, 0, menu_item8::kTextField);
  std::memcpy(field, text, length);
}

void CopyText16(const char* text, uint8_t* field) {
  // Each 8-bit character becomes one unit, widened as a signed byte; the
  // field keeps room for the terminating unit.
  size_t units = 0;
  for (; text[units] != '\0' && units + 1 < static_cast<size_t>(menu_item16::kTextUnits); ++units) {
    auto widened =
        static_cast<uint16_t>(static_cast<int16_t>(static_cast<signed char>(text[units])));
    host::WriteU16(field, 2 * units, widened);
  }
  host::WriteU16(field, 2 * units, 0);
}

}  // namespace

const MenuCommand* ListedCommandAt(int16_t index) {
  if (index >= kCommandCount) return nullptr;
  return &kCommands[index < 0 ? 0 : index];
}

const MenuCommand* InvokedCommandAt(int16_t index) {
  return index < 0 ? nullptr : ListedCommandAt(index);
}

void FillMenuItem8(const MenuCommand& command, uint8_t* item) {
  CopyText8(command.menu_text, item + menu_item8::kMenuTextOffset);
  CopyText8(command.description, item + menu_item8::kDescriptionOffset);
  CopyText8(command.short_name, item + menu_item8::kShortNameOffset);
  host::WriteU32(item, menu_item8::kEnabledOffset, kMenuItemEnabled);
}

void FillMenuItem16(const MenuCommand& command, uint8_t* item) {
  CopyText16(command.menu_text, item + menu_item16::kMenuTextOffset);
  CopyText16(command.description, item + menu_item16::kDescriptionOffset);
  CopyText16(command.short_name, item + menu_item16::kShortNameOffset);
  host::WriteU32(item, menu_item16::kEnabledOffset, kMenuItemEnabled);
}
