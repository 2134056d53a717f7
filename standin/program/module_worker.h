// ModuleWorker: the subcommands that call a module (menus, run, cycles) run
// in a worker process, so that whatever the module does (crash, end the
// process, never return) the program lives on to say so in one line and
// writes nothing.
//
// The worker is this program started again with the same arguments and a
// channel to the program that started it (see WorkerProcess). Before each
// call into the module it sends "call ENTRY\n" and after it "back\n"; a
// run's resulting document travels, once the module is unloaded, as
// "document LENGTH\n" and its bytes; a failure's one-line message as
// "said LENGTH\n" and its bytes, which the watching program prints; "end
// STATUS\n" says the worker finished on its own and will exit with STATUS.
// The watching program checks the form and order of all of it: a line that
// is too long, out of this order or names what no worker sends is
// "something unexpected", and the worker is stopped. (Code of the module
// runs in the worker and can write what the worker writes: the checks keep
// the program's own promises, they do not make the channel proof against
// such code.)
//
// The worker's life from its first call into the module (loading it) to its
// end is under one time limit, `--timeout`, whatever it sends; its start
// and reading of the document before that have a limit of the same length.
// Time this program spends stopped by job control does not count. The worker shares the standard
// streams, so its lines and the module's own output reach the user as they are written.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace standin {

struct WorkerReport {
  // Empty when the worker finished on its own; otherwise what happened and
  // in which phase, as "the module crashed (SIGSEGV) in
  // QuilloExtensionInvoke".
  std::string failure;
  int exit_code = 0;                    // the worker's (0, 1 or 2), when it finished
  std::optional<std::string> document;  // what a run handed over
  std::optional<std::string> said;      // the worker's failure message, if it sent one
  bool started = true;                  // false when no worker could be started
  int signal = 0;                       // a signal that ended the program during the run, 0 if none
};

class ModuleWorker {
 public:
  // The whole run may take this long by default, and at most between these
  // limits, in seconds.
  static constexpr int kDefaultTimeout = 60;
  static constexpr int kShortestTimeout = 1;
  static constexpr int kLongestTimeout = 86400;

  // True when `argument`, the program's first, makes it a worker.
  static bool IsWorkerArgument(const char* argument);

  // In the worker: takes up the channel that `argument` names and announces
  // every module call on it from now on. False when `argument` names none.
  static bool Attach(const char* argument);
  // In the worker: hands a run's resulting document over.
  static bool HandOver(std::string_view document);
  // In the worker: hands a failure's message (the text after "quillo: ")
  // over, for the watching program to print.
  static void Say(std::string_view message);
  // In the worker: says that it finished on its own and exits with
  // `status` (0, 1 or 2), as its last act.
  static void Finish(int status);

  // Starts a worker with the arguments this program was given and watches
  // it to its end: `timeout_seconds` until it begins loading the module, and
  // as long again from there on, in all.
  static WorkerReport Supervise(int argc, char** argv, int timeout_seconds);
};

}  // namespace standin
