// WorkerProcess: this program started once more, as a worker, with a
// one-way channel on which the worker reports to the program that started
// it. The platform's process calls live in posix_worker_process.cpp and
// win32_worker_process.cpp; ModuleWorker says what travels on the channel.
//
// The worker runs in a group of its own (a process group, or a job on
// Windows), so that stopping it also stops every process the module started.
// Its end is seen without giving its process id up (a zombie, or an open
// handle), so that no signal ever goes to a process id that may have been
// reused; it is collected only by Close. On Linux this program is also the
// subreaper of what the worker starts, so that a process that left the
// group (a new session) is found and stopped by Close as well.
//
// While a worker runs, a signal that would end this program (INT, TERM,
// HUP, QUIT, USR1, ALRM and the rest; not KILL) is noted (CaughtSignal):
// the watcher then closes the worker, says what happened and ends the
// program by that signal (EndBy).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace standin {

class WorkerProcess {
 public:
  // How a worker ended: it exited with a status, it crashed (a fault: a
  // bad access, an abort, an exception the system caught), or a signal
  // that is no fault ended it (SIGTERM, SIGKILL: sent by someone).
  struct Ending {
    enum class Kind { kExited, kCrashed, kKilled };
    Kind kind = Kind::kExited;
    std::string cause;  // "SIGSEGV", "access violation (0xC0000005)", "SIGTERM"
    int exit_status = 0;
  };
  enum class Wait { kData, kClosed, kTimedOut };

  // The first argument a worker is started with; the channel's number
  // follows it.
  static constexpr std::string_view kChannelArgument = "--worker-channel=";

  WorkerProcess();
  WorkerProcess(const WorkerProcess&) = delete;
  WorkerProcess& operator=(const WorkerProcess&) = delete;
  // Close, when it was not called.
  ~WorkerProcess();

  // Starts this program with kChannelArgument and the channel's number,
  // followed by every argument it was itself given (`argc`, `argv`). The
  // worker shares the standard streams. On failure returns false with
  // `error` saying why.
  bool Start(int argc, char** argv, std::string* error);

  // Waits up to `timeout_ms` (0: only looks) for what the worker sends,
  // appending at most `most` bytes of it to `received`. kClosed once every
  // copy of the channel's writing end is closed and everything has been
  // read (and then at once, every time).
  Wait Read(std::string* received, size_t most, int timeout_ms);

  // True with `ending` once the worker has ended; never waits.
  bool Ended(Ending* ending);

  // Stops the worker, if it still runs, every process left in its group and
  // every other process left to this program (where /proc lists them);
  // waits for its end and collects it. Answers how it ended.
  Ending Close();

  // The first signal that asked this program to end while a worker ran, 0
  // when none did (always 0 on Windows, where there are none to catch).
  static int CaughtSignal();
  // "SIGTERM" for a signal's number.
  static std::string SignalName(int number);
  // Ends this program by `number`, as it would have ended had the signal not
  // been caught.
  static void EndBy(int number);

  // How long this program has been stopped by job control (Ctrl-Z) since it
  // started, in milliseconds; the worker is stopped with it.
  static int64_t StoppedMs();

 private:
  struct Platform;  // the process and the channel's reading end
  std::unique_ptr<Platform> platform_;
};

// In a worker: writes `bytes` whole to the channel numbered `channel`; false
// when it cannot (the program that started the worker is gone, or the
// channel was closed under it).
bool WriteToChannel(uintptr_t channel, std::string_view bytes);

// In a worker, before the module is loaded: keeps the channel numbered
// `channel` from the processes the module starts, and makes what the system
// does when the worker crashes fit for a watched process (no crash dialog or
// debugger; the worker also ends when the program that started it ends,
// where the system allows).
void PrepareWorkerProcess(uintptr_t channel);

}  // namespace standin
