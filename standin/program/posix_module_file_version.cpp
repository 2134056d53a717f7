#include "standin/program/module_file_version.h"

namespace standin {

// Rationale: only the Windows module is released; a native module is a
// development build of the same sources and carries no version of its own.
// Printing the program's own version here would claim something about a
// file that may come from anywhere.
std::string ModuleFileVersion(const std::string& /*path*/) {
  return "none (a native module carries no version resource; the Windows .qxt does)";
}

}  // namespace standin
