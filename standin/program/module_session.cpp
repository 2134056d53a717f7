#include "standin/program/module_session.h"

#include <algorithm>
#include <cctype>

namespace standin {
namespace {

// Menu item records (host formats). 8-bit: three 64-byte zero-filled texts
// then a 32-bit integer. UTF-16: three 128-unit texts, each ended by a zero
// unit, then a 32-bit integer.
constexpr size_t kItem8Size = 196;
constexpr size_t kText8Size = 64;
constexpr size_t kItem16Size = 772;
constexpr size_t kText16Units = 128;
constexpr size_t kText16Size = 2 * kText16Units;
// What the host fills a menu record with before the module writes it.
constexpr uint8_t kHostFill = 0xCC;

std::string Text8(const uint8_t* field) {
  size_t n = 0;
  while (n < kText8Size && field[n] != 0) ++n;
  return std::string(field, field + n);
}

std::string Text16(const uint8_t* field) {
  std::string text;
  for (size_t i = 0; i < kText16Units; ++i) {
    uint16_t unit = static_cast<uint16_t>(field[2 * i] | (field[2 * i + 1] << 8));
    if (unit == 0) break;
    text += unit < 0x80 ? static_cast<char>(unit) : '?';
  }
  return text;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

ModuleSession::~ModuleSession() {
  if (!open_) return;
  ModuleCall call("QuilloExtensionTerminate");
  loader_.entry().terminate();
}

bool ModuleSession::Open(const std::string& path, uint32_t host_version, std::string* error) {
  if (!loader_.Open(path, error)) return false;
  const ExtensionEntryPoints& entry = loader_.entry();
  open_ = true;
  {
    ModuleCall call("QuilloExtensionVersion");
    version_answer_ = entry.version(host_version);
  }
  {
    ModuleCall call("QuilloExtensionInit");
    init_answer_ = entry.init(nullptr, &init_flags_);
  }
  for (int16_t index = 0; index < kMostMenuItems; ++index) {
    std::vector<uint8_t> item8(kItem8Size, kHostFill), item16(kItem16Size, kHostFill);
    {
      ModuleCall call("QuilloExtensionEnumerate");
      if (entry.enumerate(nullptr, index, item8.data()) == 0) break;
    }
    {
      ModuleCall call("QuilloExtensionEnumerate_UTF16");
      if (entry.enumerate_utf16(nullptr, index, item16.data()) == 0) break;
    }
    MenuEntry item;
    item.index = index;
    item.text = Text8(item8.data());
    item.description = Text8(item8.data() + kText8Size);
    item.short_name = Text8(item8.data() + 2 * kText8Size);
    item.text16 = Text16(item16.data());
    item.description16 = Text16(item16.data() + kText16Size);
    item.short_name16 = Text16(item16.data() + 2 * kText16Size);
    menu_.push_back(std::move(item));
  }
  menu_limit_reached_ = menu_.size() == static_cast<size_t>(kMostMenuItems);
  if (menu_.empty()) {
    *error = path + ": the module lists no menu commands";
    return false;
  }
  return true;
}

int ModuleSession::FindCommand(const std::string& name) const {
  const std::string wanted = Lower(name);
  for (const MenuEntry& item : menu_) {
    for (const std::string* text :
         {&item.text, &item.short_name, &item.text16, &item.short_name16}) {
      if (!text->empty() && Lower(*text) == wanted) return item.index;
    }
  }
  bool number = !name.empty() && name.size() < 6 &&
                std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (number) {
    int index = std::stoi(name);
    for (const MenuEntry& item : menu_) {
      if (item.index == index) return index;
    }
  }
  return -1;
}

std::string ModuleSession::MenuSummary() const {
  std::string text;
  for (const MenuEntry& item : menu_) {
    if (!text.empty()) text += ", ";
    text += std::to_string(item.index) + " \"" + item.text + "\" (\"" + item.short_name + "\")";
  }
  return text;
}

int32_t ModuleSession::MenuStatus() {
  ModuleCall call("QuilloExtensionGetMenuStatus");
  return loader_.entry().get_menu_status(nullptr);
}

int32_t ModuleSession::Invoke(int16_t index, const Selection& selection) {
  std::array<uint8_t, Selection::kRecordSize> record = selection.Encode();
  ModuleCall call("QuilloExtensionInvoke");
  return loader_.entry().invoke(nullptr, index, record.data());
}

}  // namespace standin
