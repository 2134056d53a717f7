#include "tests/standin/scratch_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

namespace testing_support {
namespace fs = std::filesystem;

ScratchFolder::ScratchFolder() {
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string("quillo-") + test->test_suite_name() + "-" + test->name();
  folder_ = fs::temp_directory_path() / name;
  fs::remove_all(folder_);
  fs::create_directories(folder_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

std::string ScratchFolder::Path(const std::string& name) const {
  return (folder_ / name).string();
}

std::string ScratchFolder::Listing() const {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder_)) {
    names.insert(entry.path().filename().string());
  }
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : " ") + name;
  return text;
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace testing_support
