// Output files are written whole or not at all, and never leave a
// temporary file behind.
#include "standin/documents/text_file.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <vector>

#include "tests/standin/scratch_folder.h"

namespace {

using testing_support::FileText;
using testing_support::ScratchFolder;
using testing_support::WriteFile;
namespace fs = std::filesystem;

// Each test works in a scratch folder of its own; `path` is the usual target.
class TextFileTest : public testing::Test {
 protected:
  ScratchFolder folder;
  const std::string path = folder.Path("out.json");
  std::string error;
};

TEST_F(TextFileTest, WritesAndReplacesWholeFilesLeavingNothingElse) {
  ASSERT_TRUE(standin::WriteTextFileAtomically(path, "first\nversion\n", &error)) << error;
  EXPECT_EQ(FileText(path), "first\nversion\n");
  // The program's own handlers of the signals that end it are back once the
  // write is done, and the signals held while the file was made let through.
  void (*const own)(int) = [](int) {};
  const int ending[] = {SIGHUP,  SIGINT,  SIGQUIT, SIGTERM, SIGUSR1,   SIGUSR2,
                        SIGALRM, SIGPIPE, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF};
  std::vector<void (*)(int)> before;
  for (int signal_number : ending) before.push_back(std::signal(signal_number, own));
  ASSERT_TRUE(standin::WriteTextFileAtomically(path, "second", &error)) << error;
  sigset_t held;
  sigprocmask(SIG_BLOCK, nullptr, &held);
  for (size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(std::signal(ending[i], before[i]), own) << ending[i];
    EXPECT_FALSE(sigismember(&held, ending[i])) << ending[i];
  }
  EXPECT_EQ(FileText(path), "second");
  EXPECT_EQ(folder.Listing(), "out.json");

  std::string text;
  ASSERT_TRUE(standin::ReadTextFile(path, &text, &error));
  EXPECT_EQ(text, "second");

  // Names up to the longest a file system takes, also of characters of
  // several bytes: the temporary name beside them must fit too.
  std::string accented = "x";
  for (int i = 0; i < 124; ++i) accented += "\xc3\xa9";
  for (const std::string& name : {std::string(250, 'n') + ".json", accented + ".json"}) {
    ASSERT_TRUE(standin::WriteTextFileAtomically(folder.Path(name), "long", &error)) << error;
    EXPECT_EQ(FileText(folder.Path(name)), "long");
    ASSERT_TRUE(standin::WriteTextFileAtomically(folder.Path(name), "longer", &error)) << error;
    EXPECT_EQ(FileText(folder.Path(name)), "longer");
    std::filesystem::remove(folder.Path(name));
  }
  EXPECT_EQ(folder.Listing(), "out.json");

  // The temporary name beside them: the start of the target's name, cut to fit
  // and never inside a character, then 12 random letters or digits.
  const struct {
    std::string target;
    size_t kept;
  } temporaries[] = {{"out.json", 8},
                     {std::string(250, 'n') + ".json", 226},
                     {accented + ".json", 225},
                     {std::string(300, '\x80'), 0}};
  const std::string letters = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::set<std::string> names;
  std::set<char> drawn;
  for (const auto& t : temporaries) {
    SCOPED_TRACE(t.kept);
    for (int i = 0; i < 100; ++i) {
      const std::string name = standin::RandomTemporaryName(t.target);
      ASSERT_EQ(name.substr(0, t.kept + 2), "." + t.target.substr(0, t.kept) + ".");
      ASSERT_EQ(name.find_first_not_of(letters, t.kept + 2), t.kept + 14) << name;
      ASSERT_EQ(name.substr(t.kept + 14), ".quillo-partial");
      ASSERT_LE(name.size(), standin::kMostNameBytes);
      names.insert(name);
      for (char letter : name.substr(t.kept + 2, 12)) drawn.insert(letter);
    }
  }
  EXPECT_EQ(names.size(), 400u);            // never the same name twice
  EXPECT_EQ(drawn.size(), letters.size());  // from every letter and digit
}

TEST_F(TextFileTest, FailuresLeaveTheTargetAsItWas) {
  EXPECT_FALSE(standin::WriteTextFileAtomically(folder.Path("missing/out.json"), "text", &error));
  EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
  EXPECT_EQ(folder.Listing(), "");

  // A folder where the file should go is neither replaced nor filled.
  std::filesystem::create_directory(folder.Path("taken"));
  WriteFile(folder.Path("taken/inside"), "kept");
  EXPECT_FALSE(standin::WriteTextFileAtomically(folder.Path("taken"), "text", &error));
  EXPECT_EQ(error, "is a folder, not a file");
  EXPECT_EQ(FileText(folder.Path("taken/inside")), "kept");
  // A folder that appears at the target while the file is written: the
  // rename fails, and the new file goes.
  auto folder_appears = [&] {
    std::filesystem::create_directories(folder.Path("late/inside"));
    return std::string(".late.partial");
  };
  EXPECT_FALSE(standin::WriteTextFileAtomically(folder.Path("late"), "x", &error, folder_appears));
  EXPECT_EQ(error.rfind("cannot replace (", 0), 0u) << error;
  EXPECT_EQ(folder.Listing(), "late taken");

  std::string text = "unchanged";
  EXPECT_FALSE(standin::ReadTextFile(folder.Path("absent"), &text, &error));
  EXPECT_FALSE(standin::ReadTextFile(folder.Path("taken"), &text, &error));
  EXPECT_EQ(error, "is a folder, not a file");
  EXPECT_EQ(text, "unchanged");
}

TEST_F(TextFileTest, SameFileSeesThroughSpellings) {
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

// Someone who can write to the output's folder plants links at the names
// the writer will try, pointing at files they want overwritten: the writer
// passes over every taken name, and nothing but the output changes.
TEST_F(TextFileTest, PlantedLinksAreNeverWrittenThrough) {
  WriteFile(folder.Path("victim"), "victim");
  WriteFile(folder.Path("in.json"), "input");
  const std::vector<std::string> planted = {".out.json.quillo-partial", "taken-1", "taken-2",
                                            "taken-3"};
  fs::create_symlink("victim", folder.Path(planted[0]));
  fs::create_symlink("in.json", folder.Path(planted[1]));
  fs::create_symlink("missing-target", folder.Path(planted[2]));
  fs::create_symlink(folder.Path(""), folder.Path(planted[3]));
  size_t calls = 0;
  auto names = [&] { return calls < planted.size() ? planted[calls++] : (++calls, "fresh"); };
  ASSERT_TRUE(standin::WriteTextFileAtomically(folder.Path("out.json"), "result", &error, names))
      << error;
  EXPECT_EQ(calls, planted.size() + 1);  // every planted name was passed over
  EXPECT_EQ(FileText(folder.Path("out.json")), "result");
  EXPECT_EQ(FileText(folder.Path("victim")), "victim");
  EXPECT_EQ(FileText(folder.Path("in.json")), "input");
  EXPECT_FALSE(fs::exists(folder.Path("missing-target")));
  EXPECT_FALSE(fs::exists(folder.Path("fresh")));
  for (const std::string& name : planted) EXPECT_TRUE(fs::is_symlink(folder.Path(name))) << name;

  // An output that is itself a link is replaced, not written through.
  fs::create_symlink("victim", folder.Path("link.json"));
  ASSERT_TRUE(standin::WriteTextFileAtomically(folder.Path("link.json"), "new", &error)) << error;
  EXPECT_FALSE(fs::is_symlink(folder.Path("link.json")));
  EXPECT_EQ(FileText(folder.Path("link.json")), "new");
  EXPECT_EQ(FileText(folder.Path("victim")), "victim");

  // When every name is taken, nothing is written.
  auto always_taken = [] { return std::string(".out.json.quillo-partial"); };
  EXPECT_FALSE(
      standin::WriteTextFileAtomically(folder.Path("out.json"), "other", &error, always_taken));
  EXPECT_EQ(error, "cannot create a file in its folder (every name tried is taken)");
  EXPECT_EQ(FileText(folder.Path("out.json")), "result");
}

TEST_F(TextFileTest, TheReplacedFileKeepsItsPermissions) {
  const auto mode_of = [](const std::string& file) {  // the permission bits, or ~0 unreadable
    struct stat info {};
    return stat(file.c_str(), &info) == 0 ? info.st_mode & 07777 : ~mode_t{0};
  };
  for (mode_t mode : {0600u, 0444u, 0640u}) {
    WriteFile(path, "old");
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
    ASSERT_TRUE(standin::WriteTextFileAtomically(path, "new", &error)) << error;
    EXPECT_EQ(mode_of(path), mode);
    EXPECT_EQ(FileText(path), "new");
  }
  // Set-user-ID and set-group-ID are not carried over to a new file.
  for (mode_t mode : {04755u, 02755u}) {
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
    ASSERT_TRUE(standin::WriteTextFileAtomically(path, "newer", &error)) << error;
    EXPECT_EQ(mode_of(path), 0755u);
  }
  // A new file gets what the umask allows, never less than the owner needs.
  mode_t mask = umask(027);
  ASSERT_TRUE(standin::WriteTextFileAtomically(folder.Path("fresh.json"), "x", &error)) << error;
  EXPECT_EQ(umask(mask), 027u);  // and the write left the umask as it found it
  EXPECT_EQ(mode_of(folder.Path("fresh.json")), 0640u);
}

TEST_F(TextFileTest, SpecialFilesAreNeitherReadNorReplaced) {
  std::string fifo = folder.Path("pipe"), text = "unchanged";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // A pipe with no writer would block a plain open or read; it is refused.
  EXPECT_FALSE(standin::ReadTextFile(fifo, &text, &error));
  EXPECT_EQ(error, "is not a regular file (a device, pipe or socket); give a document file");
  EXPECT_FALSE(standin::ReadTextFile("/dev/zero", &text, &error, 1 << 20));
  EXPECT_EQ(error, "is not a regular file (a device, pipe or socket); give a document file");
  EXPECT_EQ(text, "unchanged");

  // Devices are tried through a link only: a slip here, run as root, would
  // otherwise replace the machine's own /dev/null.
  EXPECT_FALSE(standin::WriteTextFileAtomically(fifo, "text", &error));
  EXPECT_EQ(error, "is not a regular file (a device, pipe or socket); write to a file");
  fs::create_symlink("/dev/null", folder.Path("to-device"));
  EXPECT_FALSE(standin::WriteTextFileAtomically(folder.Path("to-device"), "text", &error));
  fs::create_symlink(folder.Path(""), folder.Path("to-folder"));
  EXPECT_FALSE(standin::WriteTextFileAtomically(folder.Path("to-folder"), "text", &error));
  EXPECT_EQ(error, "is a link to a folder, not a file");
  EXPECT_EQ(folder.Listing(), "pipe to-device to-folder");
}

// Reads that are refused or fail, and the reads that succeed, leave no file open.
TEST_F(TextFileTest, FilesOverTheLimitAreRefusedBeforeReading) {
  std::string text;
  const auto open_files = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); };
  ASSERT_EQ(mkfifo(folder.Path("pipe").c_str(), 0600), 0);
  const auto open_before = open_files();
  WriteFile(path, std::string(1001, 'x'));
  EXPECT_FALSE(standin::ReadTextFile(path, &text, &error, 1000));
  EXPECT_EQ(error, "is 1001 bytes, more than the 1000 bytes a document may have");
  ASSERT_TRUE(standin::ReadTextFile(path, &text, &error, 1001)) << error;
  EXPECT_EQ(text.size(), 1001u);
  // A file that reports no size, as the kernel's own do, is held to the
  // limit as it is read.
  const std::string ostype = "/proc/sys/kernel/ostype";  // "Linux\n"
  EXPECT_FALSE(standin::ReadTextFile(ostype, &text, &error, 5));
  EXPECT_EQ(error, "is 6 bytes, more than the 5 bytes a document may have");
  ASSERT_TRUE(standin::ReadTextFile(ostype, &text, &error, 6)) << error;
  EXPECT_EQ(text, "Linux\n");
  // A read that fails part way (the kernel's view of the program's own
  // memory fails at address 0).
  EXPECT_FALSE(standin::ReadTextFile("/proc/self/mem", &text, &error));
  EXPECT_EQ(error, "cannot read (Input/output error)");
  EXPECT_FALSE(standin::ReadTextFile(folder.Path("pipe"), &text, &error));
  EXPECT_EQ(open_files(), open_before);
}

// A run ended by a signal while it writes leaves no temporary file behind;
// a signal that the program inherited as ignored stays ignored (the run
// then ends by the termination that follows it).
TEST_F(TextFileTest, ATerminatedWriteLeavesNothingBehind) {
  // A longer name written before must not linger in what the handler removes.
  const std::string longer = folder.Path("a-longer-name-written-before.json");
  ASSERT_TRUE(standin::WriteTextFileAtomically(longer, "x", &error)) << error;
  std::filesystem::remove(longer);
  const int kIgnoredInterrupt = 0;
  for (int signal_number :
       {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGUSR1, SIGALRM, kIgnoredInterrupt}) {
    SCOPED_TRACE(signal_number);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      rlimit no_core{0, 0};
      setrlimit(RLIMIT_CORE, &no_core);
      // A run started in the background inherits SIGINT and SIGQUIT ignored,
      // which the writer keeps; each row sets the state it tests.
      if (signal_number == kIgnoredInterrupt) {
        std::signal(SIGINT, SIG_IGN);
      } else {
        std::signal(signal_number, SIG_DFL);
      }
      standin::WriteTextFileAtomically(path, std::string(size_t{1} << 28, 'x'), &error);
      _exit(0);
    }
    // Waits for the temporary file to appear, then stops the writer.
    bool seen = false;
    for (int i = 0; i < 20000 && !seen; ++i) {
      seen = folder.Listing().find(".out.json.") != std::string::npos;
      if (!seen) usleep(500);
    }
    if (signal_number == kIgnoredInterrupt) kill(child, SIGINT);
    const int ending = signal_number == kIgnoredInterrupt ? SIGTERM : signal_number;
    kill(child, ending);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(seen) << "the writer finished before it could be stopped";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == ending) << status;
    EXPECT_EQ(folder.Listing(), "");
  }
}

TEST_F(TextFileTest, AFailedWriteLeavesTheTargetAndNothingElse) {
  WriteFile(path, "old");
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // With standard input closed, the files opened get descriptor 0.
    close(0);
    std::string text;
    const bool read = standin::ReadTextFile(path, &text, &error) && text == "old";
    // Files may grow to 1000 bytes: the write fails part way.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{1000, 1000};
    setrlimit(RLIMIT_FSIZE, &limit);
    bool written = standin::WriteTextFileAtomically(path, std::string(5000, 'x'), &error);
    _exit(read && !written && error == "cannot write the whole file (File too large)" ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(FileText(path), "old");
  EXPECT_EQ(folder.Listing(), "out.json");
}

TEST_F(TextFileTest, PrintableEscapesAndShortens) {
  EXPECT_EQ(standin::Printable("plain text"), "plain text");
  EXPECT_EQ(standin::Printable("\x1b[31mred\\"), "\\x1b[31mred\\\\");
  EXPECT_EQ(standin::Printable("caf\xc3\xa9\n~\x7f"), "caf\\xc3\\xa9\\x0a~\\x7f");
  EXPECT_EQ(standin::Printable(std::string(100, 'k')), std::string(57, 'k') + "...");
  EXPECT_EQ(standin::Printable(std::string(100, 'k'), 10), "kkkkkkk...");
  EXPECT_EQ(standin::Printable(std::string(10, 'k'), 10), "kkkkkkkkkk");
  // An escape is never cut in half.
  EXPECT_EQ(standin::Printable("abcdef\x01\x02", 12), "abcdef...");
  EXPECT_EQ(standin::Printable("\x01\x02", 5), "...");
  // Echo, for file names: backslashes kept, cut at the echo limit.
  EXPECT_EQ(standin::Echo("C:\\in\x1b.json"), "C:\\in\\x1b.json");
  EXPECT_EQ(standin::Echo(std::string(100000, 'm')).size(), standin::kMostEchoedChars);
}

}  // namespace
