// quillo: the stand-in host program. It loads a plug-in module the way the
// notation program does and drives it against an in-memory document.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>
#include <vector>

#include "standin/host_document.h"
#include "standin/module_loader.h"

namespace {

constexpr uint32_t kDefaultHostVersion = 0x19000000;

std::string Text8(const uint8_t* field) {
  size_t n = 0;
  while (n < 64 && field[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(field), n);
}

std::string Text16(const uint8_t* field) {
  std::string text;
  for (size_t i = 0; i < 128; ++i) {
    uint16_t unit = static_cast<uint16_t>(field[2 * i] | (field[2 * i + 1] << 8));
    if (unit == 0) break;
    text += unit < 0x80 ? static_cast<char>(unit) : '?';
  }
  return text;
}

// Loads the module, exchanges versions and prints its menu in both forms.
// With `probe`, also invokes an index past the menu: the module still asks
// the host for the current document, which shows that it found the services.
int RunMenus(const std::string& module_path, uint32_t host_version, bool probe) {
  standin::HostDocument document;
  document.host_version = host_version;
  standin::SetActiveDocument(&document);
  standin::ModuleLoader module;
  std::string error;
  if (!module.Open(module_path, &error)) {
    std::fprintf(stderr, "quillo: %s\n", error.c_str());
    return 2;
  }
  const standin::ExtensionEntryPoints& entry = module.entry();
  uint32_t answer = entry.version(host_version);
  uint32_t flags = 0;
  int32_t init = entry.init(nullptr, &flags);
  std::printf("module %s\n", module_path.c_str());
  std::printf("version: host 0x%08X, module answered 0x%08X\n", host_version, answer);
  std::printf("init: %d, flags 0x%X, menu status %d\n", init, flags,
              entry.get_menu_status(nullptr));
  for (int16_t index = 0;; ++index) {
    std::vector<uint8_t> item8(196, 0xCC);
    std::vector<uint8_t> item16(772, 0xCC);
    if (entry.enumerate(nullptr, index, item8.data()) == 0) break;
    if (entry.enumerate_utf16(nullptr, index, item16.data()) == 0) break;
    std::printf("menu %d: \"%s\" / \"%s\" / \"%s\"\n", index, Text8(item8.data()).c_str(),
                Text8(item8.data() + 64).c_str(), Text8(item8.data() + 128).c_str());
    std::printf("menu %d (UTF-16): \"%s\" / \"%s\" / \"%s\"\n", index,
                Text16(item16.data()).c_str(), Text16(item16.data() + 256).c_str(),
                Text16(item16.data() + 512).c_str());
  }
  if (probe) {
    document.log.clear();
    const uint8_t selection[20] = {};
    int32_t result = entry.invoke(nullptr, 2, selection);
    std::printf("probe: invoke(2) answered %d; the module called the host %zu time(s): %s", result,
                document.log.size(), document.log.empty() ? "none\n" : document.LogText().c_str());
  }
  entry.terminate();
  standin::SetActiveDocument(nullptr);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"quillo: a stand-in for the Quillo host that loads and drives a plug-in module"};
  app.require_subcommand(1);
  std::string module_path = standin::DefaultModulePath(argv[0]);
  uint32_t host_version = kDefaultHostVersion;

  CLI::App* menus = app.add_subcommand("menus", "Load the module and print its menu items");
  menus->add_option("--module", module_path, "The plug-in module to load");
  menus->add_option("--host-version", host_version, "The host version to report (e.g. 0x12000000)");
  bool probe = false;
  menus->add_flag("--probe", probe, "Also check that the module reaches the host's services");

  CLI11_PARSE(app, argc, argv);
  if (menus->parsed()) return RunMenus(module_path, host_version, probe);
  return 1;
}
