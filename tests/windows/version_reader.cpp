// read_version FILE VERSION DESCRIPTION PRODUCT INTERNAL ORIGINAL: reads the
// version resource of FILE through the Windows API, as Explorer does, prints
// every field, and exits 1 unless each one is what the build says.
// VERSION is "major.minor.patch"; the numeric versions must be that with a
// build number of 0.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::wstring Wide(const char* text) {
  int units = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), units);
  wide.resize(static_cast<size_t>(units - 1));
  return wide;
}

std::string Narrow(const wchar_t* text) {
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), bytes, nullptr, nullptr);
  narrow.resize(static_cast<size_t>(bytes - 1));
  return narrow;
}

int failures = 0;

void Check(const char* field, const std::string& actual, const std::string& expected) {
  bool same = actual == expected;
  std::printf("%s %s: \"%s\"", same ? "ok  " : "FAIL", field, actual.c_str());
  if (!same) std::printf(", expected \"%s\"", expected.c_str());
  std::printf("\n");
  if (!same) ++failures;
}

std::string Numeric(DWORD most, DWORD least) {
  return std::to_string(HIWORD(most)) + "." + std::to_string(LOWORD(most)) + "." +
         std::to_string(HIWORD(least)) + "." + std::to_string(LOWORD(least));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fprintf(stderr,
                 "usage: read_version FILE VERSION DESCRIPTION PRODUCT INTERNAL ORIGINAL\n");
    return 2;
  }
  const std::wstring file = Wide(argv[1]);
  const std::string version = argv[2];
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0) {
    std::printf("FAIL %s has no version resource (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data())) {
    std::printf("FAIL cannot read the version resource of %s\n", argv[1]);
    return 1;
  }

  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) {
    std::printf("FAIL no fixed file information\n");
    return 1;
  }
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  Check("signature", std::to_string(fixed->dwSignature), std::to_string(0xFEEF04BDu));
  Check("file version (numeric)", Numeric(fixed->dwFileVersionMS, fixed->dwFileVersionLS),
        version + ".0");
  Check("product version (numeric)", Numeric(fixed->dwProductVersionMS, fixed->dwProductVersionLS),
        version + ".0");
  Check("file type", fixed->dwFileType == VFT_DLL ? "DLL" : std::to_string(fixed->dwFileType),
        "DLL");

  // The first translation names the string table to read.
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length) || length < 4) {
    std::printf("FAIL no translation table\n");
    return 1;
  }
  const auto* translation = static_cast<const WORD*>(value);
  wchar_t table[32];
  std::swprintf(table, 32, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
  const std::pair<const wchar_t*, std::string> strings[] = {
      {L"FileVersion", version}, {L"ProductVersion", version}, {L"FileDescription", argv[3]},
      {L"ProductName", argv[4]}, {L"InternalName", argv[5]},   {L"OriginalFilename", argv[6]},
  };
  for (const auto& [name, expected] : strings) {
    std::wstring path = std::wstring(table) + name;
    std::string actual = "(missing)";
    if (VerQueryValueW(block.data(), path.c_str(), &value, &length) && length > 0) {
      actual = Narrow(static_cast<const wchar_t*>(value));
    }
    Check(Narrow(name).c_str(), actual, expected);
  }
  std::printf("%s\n", failures == 0 ? "version resource OK" : "version resource differs");
  return failures == 0 ? 0 : 1;
}
