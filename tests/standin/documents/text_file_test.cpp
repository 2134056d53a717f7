// Output files are written whole or not at all, and never leave a
// temporary file behind.
#include "standin/documents/text_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/standin/scratch_folder.h"

namespace {

using testing_support::FileText;
using testing_support::ScratchFolder;
using testing_support::WriteFile;

TEST(TextFileTest, WritesAndReplacesWholeFilesLeavingNothingElse) {
  ScratchFolder folder;
  std::string path = folder.Path("out.json"), error;
  ASSERT_TRUE(standin::WriteTextFileAtomically(path, "first\nversion\n", &error)) << error;
  EXPECT_EQ(FileText(path), "first\nversion\n");
  ASSERT_TRUE(standin::WriteTextFileAtomically(path, "second", &error)) << error;
  EXPECT_EQ(FileText(path), "second");
  EXPECT_EQ(folder.Listing(), "out.json");

  std::string text;
  ASSERT_TRUE(standin::ReadTextFile(path, &text, &error));
  EXPECT_EQ(text, "second");
}

TEST(TextFileTest, FailuresLeaveTheTargetAsItWas) {
  ScratchFolder folder;
  std::string error;
  EXPECT_FALSE(standin::WriteTextFileAtomically(folder.Path("missing/out.json"), "text", &error));
  EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
  EXPECT_EQ(folder.Listing(), "");

  // A folder where the file should go is neither replaced nor filled.
  std::filesystem::create_directory(folder.Path("taken"));
  WriteFile(folder.Path("taken/inside"), "kept");
  EXPECT_FALSE(standin::WriteTextFileAtomically(folder.Path("taken"), "text", &error));
  EXPECT_EQ(error, "is a folder, not a file");
  EXPECT_EQ(FileText(folder.Path("taken/inside")), "kept");
  EXPECT_EQ(folder.Listing(), "taken");

  std::string text = "unchanged";
  EXPECT_FALSE(standin::ReadTextFile(folder.Path("absent"), &text, &error));
  EXPECT_EQ(text, "unchanged");
}

TEST(TextFileTest, SameFileSeesThroughSpellings) {
  ScratchFolder folder;
  WriteFile(folder.Path("doc.json"), "{}");
  EXPECT_TRUE(standin::SameFile(folder.Path("doc.json"), folder.Path("./doc.json")));
  EXPECT_TRUE(standin::SameFile(folder.Path("doc.json"), folder.Path("x/../doc.json")));
  EXPECT_FALSE(standin::SameFile(folder.Path("doc.json"), folder.Path("out.json")));
  EXPECT_TRUE(standin::SameFile(folder.Path("new.json"), folder.Path("./new.json")));
  // Relative spellings of a file that does not exist yet.
  std::filesystem::path here = std::filesystem::current_path();
  std::filesystem::current_path(folder.Path(""));
  bool relative_same = standin::SameFile("new.json", "./new.json");
  bool relative_other = standin::SameFile("new.json", "other.json");
  std::filesystem::current_path(here);
  EXPECT_TRUE(relative_same);
  EXPECT_FALSE(relative_other);
}

}  // namespace
