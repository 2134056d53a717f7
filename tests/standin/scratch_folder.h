// ScratchFolder: an empty folder of its own for a test, removed with
// everything in it when the test ends.
#pragma once

#include <filesystem>
#include <string>

namespace testing_support {

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The path of `name` inside the folder.
  std::string Path(const std::string& name) const;
  // The names of the files in the folder, sorted, joined by spaces.
  std::string Listing() const;

 private:
  std::filesystem::path folder_;
};

// The whole content of the file at `path`, or "<missing>".
std::string FileText(const std::string& path);
// Writes `text` to `path` as it is.
void WriteFile(const std::string& path, const std::string& text);

}  // namespace testing_support
