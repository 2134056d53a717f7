#include "standin/documents/text_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace standin {
namespace fs = std::filesystem;

bool ReadTextFile(const std::string& path, std::string* text, std::string* error) {
  std::error_code code;
  if (fs::is_directory(path, code)) {
    *error = "is a folder, not a file";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = std::string("cannot open (") + std::strerror(errno) + ")";
    return false;
  }
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) {
    *error = "cannot read";
    return false;
  }
  *text = content.str();
  return true;
}

bool WriteTextFileAtomically(const std::string& path, const std::string& text, std::string* error) {
  const fs::path target(path);
  std::error_code code;
  if (fs::is_directory(target, code)) {
    *error = "is a folder, not a file";
    return false;
  }
  // Rationale: the temporary file sits beside the target so that the final
  // rename stays within one file system and replaces the target in one step.
  fs::path temporary = target;
  std::string name = ".";
  name += target.filename().string();
  name += ".quillo-partial";
  temporary.replace_filename(name);
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) {
      *error = std::string("cannot create (") + std::strerror(errno) + ")";
      return false;
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (!out) {
      out.close();
      fs::remove(temporary, code);
      *error = "cannot write the whole file";
      return false;
    }
  }
  fs::rename(temporary, target, code);
  if (code) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    *error = "cannot replace (" + code.message() + ")";
    return false;
  }
  return true;
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code code;
  if (fs::exists(a, code) && fs::exists(b, code)) return fs::equivalent(a, b, code);
  return fs::weakly_canonical(fs::absolute(a, code), code) ==
         fs::weakly_canonical(fs::absolute(b, code), code);
}

}  // namespace standin
