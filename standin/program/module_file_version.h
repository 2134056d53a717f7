// ModuleFileVersion: the version a module file carries, read from the file
// itself without loading it, as `quillo menus` shows it. The platform's
// reader lives in posix_module_file_version.cpp or
// win32_module_file_version.cpp.
#pragma once

#include <string>

namespace standin {

// "1.0.0" (with a fourth number only when it is not 0), or "none (why)" when
// the file carries no version the platform defines.
std::string ModuleFileVersion(const std::string& path);

}  // namespace standin
