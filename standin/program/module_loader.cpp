#include <filesystem>
#include <system_error>

#include "standin/program/module_loader.h"

namespace standin {

std::string ModuleFileProblem(const std::string& path) {
  namespace fs = std::filesystem;
  // Rationale: the platform's loader opens whatever it is given and waits on
  // a pipe until a writer comes, so the kind of file is checked first.
  std::error_code failed;
  const fs::file_status status = fs::status(path, failed);
  if (status.type() == fs::file_type::not_found) return "no such file";
  if (failed) return "cannot read the file (" + failed.message() + ")";
  if (status.type() == fs::file_type::directory) return "is a folder, not a file";
  if (status.type() != fs::file_type::regular) {
    return "is not a regular file (a device, pipe or socket); give a module file";
  }
  return "";
}

}  // namespace standin
