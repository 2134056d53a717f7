// bare_host MODULE: a host program that exports no services. It loads the
// module, starts it as a host does and runs both commands on a selection from
// measure 13: with every service missing, the module must answer as it does
// to a host that holds nothing (Start New Piece 1 and Fix Indent 1, Start New
// Piece at measure 1 declined with 0), and must not fail or crash.
#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace {

using VersionFn = uint32_t (*)(uint32_t);
using InitFn = int32_t (*)(void*, uint32_t*);
using InvokeFn = int32_t (*)(void*, int16_t, const void*);

// The 20-byte selection record: measures `first` to `last`, whole measures.
void Select(uint8_t (&record)[20], int16_t first, int16_t last) {
  for (uint8_t& byte : record) byte = 0;
  record[4] = static_cast<uint8_t>(first & 0xFF);
  record[5] = static_cast<uint8_t>((first >> 8) & 0xFF);
  record[14] = static_cast<uint8_t>(last & 0xFF);
  record[15] = static_cast<uint8_t>((last >> 8) & 0xFF);
  record[16] = 0xFF, record[17] = 0xFF, record[18] = 0xFF, record[19] = 0x7F;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s MODULE\n", argv[0]);
    return 1;
  }
  HMODULE module = LoadLibraryA(argv[1]);
  if (module == nullptr) {
    std::fprintf(stderr, "%s: cannot be loaded\n", argv[1]);
    return 1;
  }
  auto version = reinterpret_cast<VersionFn>(
      reinterpret_cast<void*>(GetProcAddress(module, "QuilloExtensionVersion")));
  auto init = reinterpret_cast<InitFn>(
      reinterpret_cast<void*>(GetProcAddress(module, "QuilloExtensionInit")));
  auto invoke = reinterpret_cast<InvokeFn>(
      reinterpret_cast<void*>(GetProcAddress(module, "QuilloExtensionInvoke")));
  if (version == nullptr || init == nullptr || invoke == nullptr) {
    std::fprintf(stderr, "%s: entry points missing\n", argv[1]);
    return 1;
  }
  uint32_t flags = 0;
  version(0x19000000);
  init(nullptr, &flags);
  uint8_t selection[20];
  Select(selection, 13, 13);
  const int32_t start = invoke(nullptr, 0, selection);
  Select(selection, 1, 40);
  const int32_t indent = invoke(nullptr, 1, selection);
  Select(selection, 1, 1);
  const int32_t declined = invoke(nullptr, 0, selection);
  FreeLibrary(module);
  std::printf("no services: Start New Piece answered %d, Fix Indent %d, Start New Piece at 1 %d\n",
              start, indent, declined);
  return start == 1 && indent == 1 && declined == 0 ? 0 : 1;
}
