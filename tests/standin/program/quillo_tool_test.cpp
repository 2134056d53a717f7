// The quillo subcommands on bad input: one message naming the file and the
// problem, the documented exit code, no output file and the input intact.
// Runs that load a real module are tested end to end on the program.
#include "standin/program/quillo_tool.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <utility>

#include "standin/documents/document_file.h"
#include "standin/documents/example_documents.h"
#include "tests/standin/scratch_folder.h"

namespace {

using standin::QuilloTool;
using standin::RunRequest;
using testing_support::FileText;
using testing_support::WriteFile;

const std::string kHelp = " (quillo --help lists the options)";

// Everything written to a stream since it was last taken; empties it.
std::string Take(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string text;
  for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
  std::rewind(file);
  EXPECT_EQ(ftruncate(fileno(file), 0), 0);
  return text;
}

class QuilloToolTest : public testing::Test {
 protected:
  void SetUp() override {
    standin::HostDocument doc;
    standin::ExampleDocuments::Build("three-parts", &doc);
    input = folder.Path("in.json");
    WriteFile(input, standin::DocumentFile::Format(doc));
    original = FileText(input);
    request.document = input;
    request.commands = {"Start New Piece"};
    request.measures = {"9"};
    request.output = folder.Path("out.json");
    request.module = folder.Path("no-such-module.so");
  }
  void TearDown() override {
    std::fclose(out);
    std::fclose(err);
  }

  // Runs the request; expects `code`, the folder to list `listing`, and the
  // input unchanged. What the run wrote to the error stream.
  std::string RunFails(int code, const std::string& listing = "in.json") {
    EXPECT_EQ(tool.Run(request), code);
    EXPECT_EQ(folder.Listing(), listing);
    EXPECT_EQ(FileText(input), original);
    return Take(err);
  }
  // As RunFails, expecting `message` as the one error line.
  void ExpectRunFails(int code, const std::string& message,
                      const std::string& listing = "in.json") {
    EXPECT_EQ(RunFails(code, listing), "quillo: " + message + "\n");
  }

  testing_support::ScratchFolder folder;
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  QuilloTool tool{out, err};
  std::string input, original;
  RunRequest request;
};

// Each bad request in turn, made from the fixture's good one.
TEST_F(QuilloToolTest, RunRefusesBadRequests) {
  const RunRequest good = request;
  request.output = folder.Path("./in.json");
  ExpectRunFails(
      standin::kExitUsage,
      request.output + ": is the input document; write the result to another file" + kHelp);
  request = good;
  request.commands = {"Start New Piece", "Fix Indent", "Fix Indent"};
  request.measures = {"9", "all"};
  ExpectRunFails(standin::kExitUsage,
                 "run: give one --measures for all commands or one per --command (3 commands, 2 "
                 "--measures)" +
                     kHelp);
  request = good;
  request.measures = {"12-17"};
  ExpectRunFails(standin::kExitBadInput,
                 input + ": measure 17 is outside the document (its measures are 1 to 16)");
  request = good;
  WriteFile(input, R"({"format": "quillo-document/1",)");
  original = FileText(input);
  ExpectRunFails(standin::kExitBadInput,
                 input +
                     ": not valid JSON: parse error at line 1, column 32: syntax error while "
                     "parsing object key - unexpected end of input; expected string literal");
}

TEST_F(QuilloToolTest, RunRefusesToWriteOverTheModuleOrADevice) {
  // The module, also when named through a link.
  WriteFile(folder.Path("module.so"), "module");
  std::filesystem::create_symlink("module.so", folder.Path("link.so"));
  request.module = folder.Path("module.so");
  request.output = folder.Path("link.so");
  const std::string listing = "in.json link.so module.so";
  ExpectRunFails(standin::kExitUsage,
                 request.output + ": is the module; write the result to another file" + kHelp,
                 listing);
  EXPECT_EQ(FileText(folder.Path("module.so")), "module");
  // A device is refused before anything runs.
  request.module = folder.Path("no-such-module.so");
  request.output = "/dev/null";
  ExpectRunFails(standin::kExitBadInput,
                 "/dev/null: is not a regular file (a device, pipe or socket); write to a file",
                 listing);
}

// Output that cannot be written is a failure, not a success.
TEST_F(QuilloToolTest, AFullOutputStreamFailsTheCommand) {
  std::FILE* full = std::fopen("/dev/full", "w");
  ASSERT_NE(full, nullptr);
  QuilloTool to_full(full, err);
  const std::string line =
      "quillo: cannot write to the standard output (No space left on device)\n";
  EXPECT_EQ(to_full.Example("suite", ""), standin::kExitBadInput);
  EXPECT_EQ(to_full.Show(input, standin::PictureOptions{}), standin::kExitBadInput);
  EXPECT_EQ(to_full.Diff(input, input), standin::kExitBadInput);
  std::fclose(full);
  EXPECT_EQ(Take(err), line + line + line);
}

// Values from the command line are quoted printable and cut short: no
// control sequence and no megabyte line reaches the terminal.
TEST_F(QuilloToolTest, RunRefusesMalformedRangesQuotingThemPrintable) {
  const std::string kNot = "\" is not a number or a range such as 9-12 or all" + kHelp;
  struct Case {
    std::string measures, slots, message;
  };
  const Case cases[] = {
      {"nine", "", "--measures: \"nine" + kNot},
      {"9", "\x1b[2J\n2-1", "--slots: \"\\x1b[2J\\x0a2-1" + kNot},
      {std::string(100000, '9') + "-", "", "--measures: \"" + std::string(197, '9') + "..." + kNot},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    request.measures = {c.measures};
    request.slots.clear();
    if (!c.slots.empty()) request.slots = {c.slots};
    ExpectRunFails(standin::kExitUsage, c.message);
  }
}

TEST_F(QuilloToolTest, RunReportsAModuleThatDoesNotLoad) {
  // A missing file and a folder are named as such before the system's
  // loader is asked; a file that is no module is the loader's to refuse.
  const std::string missing = request.module;
  for (const auto& [module, problem] : {std::pair{missing, ": no such file\n"},
                                        std::pair{folder.Path(""), ": is a folder, not a file\n"},
                                        std::pair{input, ": cannot load the module ("}}) {
    request.module = module;
    EXPECT_EQ(RunFails(standin::kExitBadInput).rfind("quillo: " + module + problem, 0), 0u)
        << module;
  }
}

// A file name with a line break and terminal escapes is quoted printable
// wherever a message names it, also in the system's own words.
TEST_F(QuilloToolTest, MessagesQuoteFileNamesPrintable) {
  request.module = folder.Path("evil\n\x1b]0;x\x07.so");
  const std::string message = RunFails(standin::kExitBadInput);
  EXPECT_EQ(message.find(folder.Path("evil\\x0a\\x1b]0;x\\x07.so")), 8u) << message;
  EXPECT_EQ(message.find('\n'), message.size() - 1);
  for (char c : message.substr(0, message.size() - 1)) EXPECT_TRUE(c >= 0x20 && c < 0x7F);
  EXPECT_EQ(tool.Show(folder.Path("no\x1b[2J.json"), standin::PictureOptions{}),
            standin::kExitBadInput);
  EXPECT_EQ(Take(err), "quillo: " + folder.Path("no\\x1b[2J.json") +
                           ": cannot open (No such file or directory)\n");
}

TEST_F(QuilloToolTest, ShowAndDiffNameTheFileThatIsBad) {
  std::string bad = folder.Path("bad.json");
  WriteFile(bad, R"({"format": "quillo-document/1", "hostVersion": 1, "parts": [0], )"
                 R"("records": [{"tag": "SOMS", "cmper": 1, "measureFlags1": 65536}]})");
  EXPECT_EQ(tool.Show(bad, standin::PictureOptions{}), standin::kExitBadInput);
  EXPECT_EQ(tool.Diff(input, bad), standin::kExitBadInput);
  const std::string line = "quillo: " + bad +
                           ": records[0] (SOMS 1/0).measureFlags1: 65536 does not fit a 16-bit "
                           "flag word (0..65535)\n";
  EXPECT_EQ(Take(err), line + line);
  EXPECT_EQ(Take(out), "");
}

// A stream whose every write fails (a closed pipe), counting the writes.
std::FILE* ClosedPipe(int* writes) {
  cookie_io_functions_t io{};
  io.write = [](void* cookie, const char*, size_t) -> ssize_t {
    ++*static_cast<int*>(cookie);
    errno = EPIPE;
    return -1;
  };
  std::FILE* file = fopencookie(writes, "w", io);
  if (file != nullptr) std::setvbuf(file, nullptr, _IONBF, 0);
  return file;
}

// Once the output is closed nothing more can reach it: show and diff stop
// at the first failed write rather than drawing or listing on.
TEST_F(QuilloToolTest, ShowAndDiffStopAtTheFirstFailedWrite) {
  standin::HostDocument suite;
  standin::ExampleDocuments::Build("suite", &suite);
  const std::string other = folder.Path("suite.json");
  WriteFile(other, standin::DocumentFile::Format(suite));
  standin::PictureOptions narrow;
  narrow.width = 20;  // many bands, each many writes
  for (int step = 0; step < 2; ++step) {
    int writes = 0;
    std::FILE* closed = ClosedPipe(&writes);
    ASSERT_NE(closed, nullptr);
    QuilloTool to_closed(closed, err);
    const int code = step == 0 ? to_closed.Show(other, narrow) : to_closed.Diff(input, other);
    std::fclose(closed);
    EXPECT_EQ(code, standin::kExitBadInput);
    EXPECT_LE(writes, 2) << (step == 0 ? "show" : "diff");
    EXPECT_EQ(Take(err), "quillo: cannot write to the standard output (Broken pipe)\n");
  }
}

// In a worker, failures go to the watching program; that program prints
// the worker's line, or its own when the worker ended with a failure and
// said nothing (code in the worker can end it so).
TEST_F(QuilloToolTest, AFailureInAWorkerIsHandedOverAndAlwaysPrinted) {
  std::string said;
  tool.SayFailuresTo([&said](std::string_view message) { said += std::string(message) + "|"; });
  request.measures = {"12-17"};
  EXPECT_EQ(tool.Run(request), standin::kExitBadInput);
  EXPECT_EQ(Take(err), "");
  EXPECT_EQ(said, input + ": measure 17 is outside the document (its measures are 1 to 16)|");

  QuilloTool watcher(out, err);
  standin::WorkerReport report;
  report.exit_code = standin::kExitUsage;
  report.said = "bad\x1b[2J\nsecond line";
  EXPECT_EQ(watcher.FinishContained(report, "m.so", "o.json"), standin::kExitUsage);
  EXPECT_EQ(Take(err), "quillo: bad\\x1b[2J\\x0asecond line\n");
  report.said.reset();
  report.exit_code = standin::kExitBadInput;
  EXPECT_EQ(watcher.FinishContained(report, "m.so", "o.json"), standin::kExitBadInput);
  EXPECT_EQ(Take(err),
            "quillo: m.so: the program's worker ended with status 2 without saying why; nothing "
            "written\n");
  EXPECT_EQ(watcher.FinishContained(report, "m.so", ""), standin::kExitBadInput);
  EXPECT_EQ(Take(err),
            "quillo: m.so: the program's worker ended with status 2 without saying why\n");
  report.exit_code = standin::kExitOk;
  EXPECT_EQ(watcher.FinishContained(report, "m.so", ""), standin::kExitOk);
  EXPECT_EQ(watcher.FinishContained(report, "m.so", "o.json"), standin::kExitBadInput);
  EXPECT_EQ(Take(err), "quillo: m.so: the run handed no result over; nothing written\n");
  EXPECT_EQ(folder.Listing(), "in.json");
}

// An output name the system cannot look up is refused with the system's
// reason, not read as a file of another kind.
TEST_F(QuilloToolTest, AnOutputThatCannotBeLookedUpSaysWhy) {
  std::filesystem::create_symlink("loop.json", folder.Path("loop.json"));
  request.output = folder.Path("loop.json");
  ExpectRunFails(standin::kExitBadInput,
                 request.output + ": cannot be looked up (Too many levels of symbolic links)",
                 "in.json loop.json");
  request.output = folder.Path(std::string(256, 'n'));
  const std::string message = RunFails(standin::kExitBadInput, "in.json loop.json");
  EXPECT_NE(message.find(": cannot be looked up (File name too long)\n"), std::string::npos)
      << message;
  // A link to nowhere is replaced, so it may be written.
  std::filesystem::create_symlink("nowhere.json", folder.Path("dangling.json"));
  request.output = folder.Path("dangling.json");
  request.measures = {"12-17"};
  EXPECT_EQ(
      RunFails(standin::kExitBadInput, "dangling.json in.json loop.json"),
      "quillo: " + input + ": measure 17 is outside the document (its measures are 1 to 16)\n");
}

TEST_F(QuilloToolTest, DiffOfADocumentWithItselfSaysSo) {
  EXPECT_EQ(tool.Diff(input, input), standin::kExitOk);
  EXPECT_EQ(Take(out), "no differences\n");
}

TEST_F(QuilloToolTest, ExampleNamesTheExamplesThereAre) {
  EXPECT_EQ(tool.Example("sweet", ""), standin::kExitUsage);
  std::string names;
  for (const std::string& name : standin::ExampleDocuments::Names()) names += " " + name;
  EXPECT_EQ(Take(err),
            R"(quillo: example: no example called "sweet"; there are)" + names + kHelp + "\n");
  EXPECT_EQ(tool.Example("three-parts", folder.Path("copy.json")), standin::kExitOk);
  EXPECT_EQ(FileText(folder.Path("copy.json")), original);
}

// An example is never written over the module or the program itself, also
// when named through a link.
TEST_F(QuilloToolTest, ExampleRefusesToWriteOverTheModuleOrTheProgram) {
  WriteFile(folder.Path("module.so"), "module");
  WriteFile(folder.Path("quillo"), "program");
  std::filesystem::create_symlink("quillo", folder.Path("link"));
  QuilloTool as_program(out, err, folder.Path("quillo"));
  EXPECT_EQ(as_program.Example("suite", folder.Path("module.so"), folder.Path("module.so")),
            standin::kExitUsage);
  EXPECT_EQ(as_program.Example("suite", folder.Path("link"), folder.Path("module.so")),
            standin::kExitUsage);
  EXPECT_EQ(Take(err), "quillo: " + folder.Path("module.so") +
                           ": is the module; write the result to another file" + kHelp + "\n" +
                           "quillo: " + folder.Path("link") +
                           ": is this program; write the result to another file" + kHelp + "\n");
  EXPECT_EQ(FileText(folder.Path("module.so")), "module");
  EXPECT_EQ(FileText(folder.Path("quillo")), "program");
}

}  // namespace
