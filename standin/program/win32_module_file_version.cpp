#include <windows.h>

#include <vector>

#include "standin/program/module_file_version.h"

namespace standin {

std::string ModuleFileVersion(const std::string& path) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return "none (the file has no version resource)";
  std::vector<BYTE> block(size);
  void* value = nullptr;
  UINT length = 0;
  if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data()) ||
      !VerQueryValueA(block.data(), "\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) {
    return "none (the version resource cannot be read)";
  }
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  std::string version = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                        std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                        std::to_string(HIWORD(fixed->dwFileVersionLS));
  if (LOWORD(fixed->dwFileVersionLS) != 0) {
    version += "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
  }
  return version;
}

}  // namespace standin
