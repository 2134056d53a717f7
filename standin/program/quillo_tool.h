// QuilloTool: the subcommands of the quillo program that work on document
// files: run a module's commands on a document, show a document, tell what
// changed between two documents, write a bundled example.
//
// Each subcommand answers an exit code and prints to the two streams it was
// given; problems are one line "quillo: FILE: problem" on the error stream.
// Output files are written whole or not at all, and a run never writes over
// its input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "standin/program/module_worker.h"
#include "standin/reports/document_picture.h"
#include "standin/store/host_document.h"
#include "standin/store/selection.h"

namespace standin {

// Exit codes. Scripts rely on these numbers; they must not change.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;     // the command line is wrong
inline constexpr int kExitBadInput = 2;  // a file cannot be used, or the module failed

struct RunRequest {
  std::string document;               // input document file
  std::vector<std::string> commands;  // menu texts, short names or indexes, run in order
  std::vector<std::string> measures;  // one range for all commands, or one per command
  std::vector<std::string> slots;     // none, one for all, or one per command
  std::string output;                 // output document file
  std::string module;                 // the module file to load
  bool log = false;                   // print every host service call
  bool strict = false;                // a command answering 0 is a failure
};

struct MenusRequest {
  std::string module;         // the module file to load
  uint32_t host_version = 0;  // the host version to report to it
  bool probe = false;         // also invoke an index past the menu
};

class QuilloTool {
 public:
  // `program` is this program's own file, which no output may replace.
  QuilloTool(std::FILE* out, std::FILE* err, std::string program = "")
      : out_(out), err_(err), program_(std::move(program)) {}

  // Loads the module as the host does and prints the file's version, the
  // module's answers and its menu in both forms. With `probe`, also invokes
  // an index past the menu and prints the host services the module called.
  int Menus(const MenusRequest& request);

  // Loads the document and the module, runs the commands one after another
  // on the same document and writes the result (or hands it over, see
  // HandResultsTo).
  int Run(const RunRequest& request);

  // In a worker: Run hands its resulting document to `handoff` rather than
  // writing the output file; `handoff` answers false when it could not.
  void HandResultsTo(std::function<bool(std::string_view document)> handoff) {
    handoff_ = std::move(handoff);
  }

  // In a worker: failures are handed to `say` (the text after "quillo: ")
  // rather than printed, for the watching program to print.
  void SayFailuresTo(std::function<void(std::string_view message)> say) { say_ = std::move(say); }

  // Ends a subcommand that ran in a worker: says what happened to the
  // module if the worker did not finish, prints the failure the worker
  // handed over (or says that it gave none), else writes the document it
  // handed over to `output` (for a run; "" otherwise). Answers the exit
  // code.
  int FinishContained(const WorkerReport& report, const std::string& module,
                      const std::string& output);

  // Prints the picture of the document at `path`.
  int Show(const std::string& path, PictureOptions options);

  // Prints what changed from the document `before` to `after`.
  int Diff(const std::string& before, const std::string& after);

  // Writes the example `name` to `output`, or to the output stream when
  // `output` is empty. The output may not be `module` or the program.
  int Example(const std::string& name, const std::string& output, const std::string& module = "");

 private:
  // Prints "quillo: message" (or hands it to the watching program), ending
  // a usage error (kExitUsage) with the pointer to --help, and answers
  // `code`.
  int Fail(int code, const std::string& message);
  // kExitOk when `output` may be written: it is neither the input, the
  // module (either may be empty) nor the program, and can be replaced.
  int CheckOutput(const std::string& output, const std::string& input, const std::string& module);
  // Says on the error stream that the module's menu was cut at the limit.
  void WarnMenuLimit(const std::string& module);
  // The steps of Run: the command line's ranges, then the module's commands
  // on the document. Each answers kExitOk or the code it failed with.
  int CheckRequest(const RunRequest& request, std::vector<NumberRange>* measure_ranges,
                   std::vector<std::optional<NumberRange>>* slot_ranges);
  // Once a command has returned, until the next begins, `late` is the
  // active document: it refuses every service and notes the call.
  int RunCommands(const RunRequest& request, const std::vector<Selection>& selections,
                  HostDocument* document, HostDocument* late);
  // Writes a run's resulting document to `output` and says so.
  int WriteResult(const std::string& output, std::string_view text);
  // kExitOk once everything written to the output stream has reached it;
  // otherwise a message and kExitBadInput.
  int Done();

  std::FILE* out_;
  std::FILE* err_;
  std::string program_;
  std::function<bool(std::string_view)> handoff_;
  std::function<void(std::string_view)> say_;
};

}  // namespace standin
