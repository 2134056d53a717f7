#include "standin/program/module_worker.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

#include "standin/documents/document_file.h"
#include "standin/program/module_loader.h"
#include "standin/program/worker_process.h"
#include "standin/program/worker_report_reader.h"

namespace standin {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How often the watching program looks whether the worker has ended while
// it waits on the channel (which a process the module started may hold).
constexpr int kLookAgainMs = 50;
// How much is read from the channel at once, and how many reads at most
// empty it once the worker has ended (all it can hold, and no more: nothing
// but a process the module started can be writing then).
constexpr size_t kReadBytes = 65536;
constexpr int kMostReadsAfterEnd = 64;
// The worker's exit status when it can no longer write on the channel.
constexpr int kLostChannel = 113;

using Reader = WorkerReportReader;

// The worker's end of the channel; 0 until Attach.
uintptr_t worker_channel = 0;

void Send(std::string_view bytes) {
  // Rationale: the program that started the worker is gone, or the channel
  // was closed under the worker; it cannot report anything any more.
  if (!WriteToChannel(worker_channel, bytes)) std::_Exit(kLostChannel);
}

void AnnounceCall(const char* entry) {
  // What the worker printed so far reaches the user before a crash in the
  // module could lose it; a call's return is told first, so that an output
  // stream a module's thread keeps to itself is seen for what it is.
  if (entry == nullptr) {
    Send(std::string(Reader::kBack) + "\n");
    std::fflush(stdout);
  } else {
    std::fflush(stdout);
    Send(std::string(Reader::kCall) + entry + "\n");
  }
}

// Where in the module something happened, for messages.
std::string Where(const std::string& entry) {
  if (entry == Reader::kLoad) return "while it was being loaded (its initialisation)";
  if (entry == Reader::kUnload) return "while it was being unloaded";
  return "in " + entry;
}

std::string After(const std::string& entry) {
  if (entry.empty()) return "before the module was loaded";
  if (entry == Reader::kLoad) return "after the module was loaded";
  if (entry == Reader::kUnload) return "after the module was unloaded";
  return "after " + entry + " returned";
}

// How the worker ended, as a message names it.
std::string EndingText(const WorkerProcess::Ending& ending) {
  switch (ending.kind) {
    case WorkerProcess::Ending::Kind::kCrashed:
      return "crashed (" + ending.cause + ")";
    case WorkerProcess::Ending::Kind::kKilled:
      return "was ended by " + ending.cause + " (sent from outside or by the module)";
    case WorkerProcess::Ending::Kind::kExited:
      break;
  }
  return "ended the program (exit status " + std::to_string(ending.exit_status) + ")";
}

// What went wrong, when the worker ended before it finished as it said, or
// "" when it did.
std::string EndingFailure(const WorkerReportReader& reader, const WorkerProcess::Ending& ending,
                          bool channel_closed) {
  using Kind = WorkerProcess::Ending::Kind;
  if (reader.finished()) {
    if (ending.kind == Kind::kExited && ending.exit_status == reader.status()) return "";
    // After the worker's last word only the exit runs, and in it the
    // module's finalisation.
    return (ending.kind == Kind::kKilled ? "the program's worker " : "the module ") +
           EndingText(ending) + " as the program's worker exited, after it finished";
  }
  const std::string& current = reader.current();
  if (ending.kind == Kind::kExited && ending.exit_status == kLostChannel && channel_closed) {
    return "the channel to the program's worker was closed under it (the module closed it) " +
           (current.empty() ? After(reader.last()) : Where(current));
  }
  if (current.empty())
    return "the program's worker " + EndingText(ending) + " " + After(reader.last());
  return (ending.kind == Kind::kKilled ? "the program's worker " : "the module ") +
         EndingText(ending) + " " + Where(current);
}

}  // namespace

bool ModuleWorker::IsWorkerArgument(const char* argument) {
  return argument != nullptr && std::strncmp(argument, WorkerProcess::kChannelArgument.data(),
                                             WorkerProcess::kChannelArgument.size()) == 0;
}

bool ModuleWorker::Attach(const char* argument) {
  if (!IsWorkerArgument(argument)) return false;
  char* end = nullptr;
  const char* number = argument + WorkerProcess::kChannelArgument.size();
  const unsigned long long channel = std::strtoull(number, &end, 10);
  if (end == number || *end != 0 || channel == 0) return false;
  worker_channel = static_cast<uintptr_t>(channel);
  PrepareWorkerProcess(worker_channel);
  // Each line the worker or the module prints reaches the user at once,
  // also through a pipe, and is not lost when the module crashes later.
  std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
  ModuleCall::Listen(AnnounceCall);
  return true;
}

bool ModuleWorker::HandOver(std::string_view document) {
  return WriteToChannel(worker_channel,
                        std::string(Reader::kDocument) + std::to_string(document.size()) + "\n") &&
         WriteToChannel(worker_channel, document);
}

void ModuleWorker::Say(std::string_view message) {
  Send(std::string(Reader::kSaid) + std::to_string(std::min(message.size(), Reader::kLongestSaid)) +
       "\n");
  Send(message.substr(0, Reader::kLongestSaid));
}

void ModuleWorker::Finish(int status) {
  std::fflush(stdout);
  Send(std::string(Reader::kEnd) + std::to_string(status) + "\n");
}

WorkerReport ModuleWorker::Supervise(int argc, char** argv, int timeout_seconds) {
  WorkerReport report;
  WorkerProcess worker;
  if (!worker.Start(argc, argv, &report.failure)) {
    report.started = false;
    return report;
  }
  WorkerReportReader reader(&report);
  const milliseconds limit(int64_t{timeout_seconds} * 1000);
  std::string received;
  enum class Outcome { kEnded, kTimedOut, kUnexpected, kSignalled } outcome;
  WorkerProcess::Ending ending;
  bool channel_closed = false;
  // The clock starts again once, when the worker reports its first call
  // (loading the module): its own start and its reading of the document
  // before that, which no module code can stretch, have a limit of their own.
  Clock::time_point start = Clock::now();
  int64_t stopped_before = WorkerProcess::StoppedMs();
  bool module_reached = false;
  for (;;) {
    if (WorkerProcess::CaughtSignal() != 0) {
      outcome = Outcome::kSignalled;
      break;
    }
    // Time spent stopped by job control is no time the worker had.
    const auto spent =
        Clock::now() - start - milliseconds(WorkerProcess::StoppedMs() - stopped_before);
    if (spent >= limit) {
      outcome = Outcome::kTimedOut;
      break;
    }
    const auto wait = std::chrono::ceil<milliseconds>(limit - spent).count();
    WorkerProcess::Wait got =
        worker.Read(&received, kReadBytes, static_cast<int>(std::min<int64_t>(kLookAgainMs, wait)));
    channel_closed = channel_closed || got == WorkerProcess::Wait::kClosed;
    const bool ended = worker.Ended(&ending);
    bool expected = reader.Take(&received);
    // What it sent just before it ended is read before its end is judged.
    for (int read = 0; ended && expected && read < kMostReadsAfterEnd; ++read) {
      got = worker.Read(&received, kReadBytes, 0);
      channel_closed = channel_closed || got == WorkerProcess::Wait::kClosed;
      if (got != WorkerProcess::Wait::kData) break;
      expected = reader.Take(&received);
    }
    if (!expected) {
      outcome = Outcome::kUnexpected;
      break;
    }
    if (ended) {
      outcome = Outcome::kEnded;
      break;
    }
    if (!module_reached && !(reader.current().empty() && reader.last().empty())) {
      module_reached = true;
      start = Clock::now();
      stopped_before = WorkerProcess::StoppedMs();
    }
  }
  // Whatever is left of the worker and what it started is stopped here.
  worker.Close();
  // A signal that came while the worker was being closed ends the run too.
  if (const int caught = WorkerProcess::CaughtSignal(); caught != 0) {
    outcome = Outcome::kSignalled;
    report.signal = caught;
  }
  const std::string seconds = "the run's " + std::to_string(timeout_seconds) +
                              (timeout_seconds == 1 ? " second" : " seconds") + " (--timeout)";
  const std::string& current = reader.current();
  const std::string where = !current.empty()    ? Where(current)
                            : reader.finished() ? std::string("after the program's worker finished")
                                                : After(reader.last());
  if (outcome == Outcome::kSignalled) {
    report.failure = "the program was ended by " + WorkerProcess::SignalName(report.signal) + " " +
                     where + ", and the module's processes were stopped";
  } else if (outcome == Outcome::kTimedOut) {
    if (!current.empty()) {
      report.failure =
          "the module gave no answer within " + seconds + " " + Where(current) + " and was stopped";
    } else if (reader.finished()) {
      report.failure = "the program's worker did not end within " + seconds +
                       " after it finished (the module's code ran on as it exited) and was stopped";
    } else {
      report.failure = "the program's worker made no progress within " + seconds + " " +
                       After(reader.last()) + " and was stopped";
    }
  } else if (outcome == Outcome::kUnexpected) {
    report.failure = "the module's process sent something unexpected " + where + " and was stopped";
  } else {
    report.failure = EndingFailure(reader, ending, channel_closed);
    if (report.failure.empty()) report.exit_code = reader.status();
  }
  return report;
}

}  // namespace standin
