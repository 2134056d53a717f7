// WorkerProcess: this program started once more, as a worker, with a
// one-way channel on which the worker reports to the program that started
// it. The platform's process calls live in posix_worker_process.cpp and
// win32_worker_process.cpp; ModuleWorker says what travels on the channel.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace standin {

class WorkerProcess {
 public:
  // How a worker ended: by a crash (a signal, or an exception the system
  // caught) or by exiting with a status.
  struct Ending {
    bool crashed = false;
    std::string crash;  // "SIGSEGV", "access violation (0xC0000005)"
    int exit_status = 0;
  };
  enum class Wait { kData, kClosed, kTimedOut };

  // The first argument a worker is started with; the channel's number
  // follows it.
  static constexpr std::string_view kChannelArgument = "--worker-channel=";

  WorkerProcess();
  WorkerProcess(const WorkerProcess&) = delete;
  WorkerProcess& operator=(const WorkerProcess&) = delete;
  // Stops a worker that is still running and waits for it to end.
  ~WorkerProcess();

  // Starts this program with kChannelArgument and the channel's number,
  // followed by every argument it was itself given (`argc`, `argv`). The
  // worker shares the standard streams. On failure returns false with
  // `error` saying why.
  bool Start(int argc, char** argv, std::string* error);

  // Waits up to `timeout_ms` (-1: as long as it takes) for what the worker
  // sends, appending it to `received`. kClosed once the worker's end of the
  // channel is closed and everything has been read.
  Wait Read(std::string* received, int timeout_ms);

  // Waits up to `timeout_ms` (0: only looks) for the worker to end; true
  // with `ending` once it has.
  bool WaitForEnd(int timeout_ms, Ending* ending);

  // Ends the worker at once, wherever it is.
  void Stop();

 private:
  struct Platform;  // the process and the channel's reading end
  std::unique_ptr<Platform> platform_;
  bool ended_ = false;
  Ending ending_;
};

// In a worker: writes `bytes` whole to the channel numbered `channel`; false
// when the program that started the worker is gone.
bool WriteToChannel(uintptr_t channel, std::string_view bytes);

// In a worker: what the system does when the worker crashes, made fit for
// a watched process (no crash dialog or debugger; the worker also ends when
// the program that started it ends, where the system allows).
void PrepareWorkerProcess();

}  // namespace standin
