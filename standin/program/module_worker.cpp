#include "standin/program/module_worker.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "standin/program/module_loader.h"
#include "standin/program/worker_process.h"

namespace standin {
namespace {

using Clock = std::chrono::steady_clock;

// How often the watching program looks whether the worker has ended, in case
// something else (a process the module started) holds the channel open.
constexpr int kLookAgainMs = 1000;
// Reads of up to 64 KiB that empty the channel's buffer (1 MiB at most).
constexpr int kMostReadsAfterEnd = 64;

constexpr std::string_view kCall = "call ";
constexpr std::string_view kBack = "back";
constexpr std::string_view kDocument = "document ";
constexpr std::string_view kEnd = "end";

// The worker's end of the channel; 0 until Attach.
uintptr_t worker_channel = 0;

void Send(std::string_view bytes) {
  // Rationale: the program that started the worker is gone; nothing the
  // worker does can reach anyone.
  if (!WriteToChannel(worker_channel, bytes)) std::_Exit(2);
}

void AnnounceCall(const char* entry) {
  // What the worker printed so far reaches the user before a crash in the
  // module could lose it.
  std::fflush(stdout);
  if (entry == nullptr) {
    Send("back\n");
  } else {
    Send(std::string(kCall) + entry + "\n");
  }
}

// Where in the module something happened, for messages.
std::string Where(const std::string& entry) {
  if (entry == "load") return "while it was being loaded (its initialisation)";
  if (entry == "unload") return "while it was being unloaded";
  return "in " + entry;
}

std::string After(const std::string& entry) {
  if (entry.empty()) return "before the module was loaded";
  if (entry == "load") return "after the module was loaded";
  if (entry == "unload") return "after the module was unloaded";
  return "after " + entry + " returned";
}

// Reads the worker's reports as they arrive.
class ReportReader {
 public:
  explicit ReportReader(WorkerReport* report) : report_(report) {}

  // Takes in what arrived in `received` (and removes what it used); false
  // when it is not a report this program sends.
  bool Take(std::string* received) {
    size_t used = 0;
    while (used < received->size()) {
      if (document_left_ > 0) {
        const size_t take = std::min(document_left_, received->size() - used);
        report_->document->append(*received, used, take);
        used += take;
        document_left_ -= take;
        continue;
      }
      const size_t newline = received->find('\n', used);
      if (newline == std::string::npos) break;
      const std::string_view line(received->data() + used, newline - used);
      used = newline + 1;
      if (line.substr(0, kCall.size()) == kCall) {
        current_ = line.substr(kCall.size());
        call_started_ = Clock::now();
      } else if (line == kBack && !current_.empty()) {
        last_ = current_;
        current_.clear();
      } else if (line.substr(0, kDocument.size()) == kDocument && !report_->document) {
        char* end = nullptr;
        const std::string length(line.substr(kDocument.size()));
        document_left_ = std::strtoull(length.c_str(), &end, 10);
        if (length.empty() || *end != 0) return false;
        report_->document.emplace();
        report_->document->reserve(document_left_);
      } else if (line == kEnd) {
        finished_ = true;
      } else {
        return false;
      }
    }
    received->erase(0, used);
    return true;
  }

  // The module call under way, "" between calls; the last one that returned.
  const std::string& current() const { return current_; }
  const std::string& last() const { return last_; }
  Clock::time_point call_started() const { return call_started_; }
  bool finished() const { return finished_ && document_left_ == 0; }

 private:
  WorkerReport* report_;
  std::string current_, last_;
  Clock::time_point call_started_;
  size_t document_left_ = 0;
  bool finished_ = false;
};

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
  PrepareWorkerProcess();
  ModuleCall::Listen(AnnounceCall);
  return true;
}

bool ModuleWorker::HandOver(std::string_view document) {
  return WriteToChannel(worker_channel,
                        std::string(kDocument) + std::to_string(document.size()) + "\n") &&
         WriteToChannel(worker_channel, document);
}

void ModuleWorker::Finish() {
  std::fflush(stdout);
  Send(std::string(kEnd) + "\n");
}

WorkerReport ModuleWorker::Supervise(int argc, char** argv, int timeout_seconds) {
  WorkerReport report;
  WorkerProcess worker;
  if (!worker.Start(argc, argv, &report.failure)) return report;
  ReportReader reader(&report);
  const auto timeout = std::chrono::seconds(timeout_seconds);
  std::string received;
  bool timed_out = false, unreadable = false;
  for (;;) {
    int wait_ms = kLookAgainMs;
    if (!reader.current().empty()) {
      const auto left = reader.call_started() + timeout - Clock::now();
      if (left <= Clock::duration::zero()) {
        timed_out = true;
        break;
      }
      wait_ms = std::min<int>(
          wait_ms, static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count()));
    }
    WorkerProcess::Wait got = worker.Read(&received, wait_ms);
    WorkerProcess::Ending ignored;
    if (got == WorkerProcess::Wait::kTimedOut && worker.WaitForEnd(0, &ignored)) {
      // What it sent just before it ended is read before its end is judged:
      // no more than the channel holds, as nothing can be writing now but a
      // process the module started.
      for (int read = 0; read < kMostReadsAfterEnd; ++read) {
        if (worker.Read(&received, 0) != WorkerProcess::Wait::kData) break;
      }
      got = WorkerProcess::Wait::kClosed;
    }
    if (!reader.Take(&received)) {
      unreadable = true;
      break;
    }
    if (got == WorkerProcess::Wait::kClosed) break;
  }
  const std::string seconds =
      std::to_string(timeout_seconds) + (timeout_seconds == 1 ? " second" : " seconds");
  if (timed_out || unreadable) worker.Stop();
  WorkerProcess::Ending ending;
  if (!worker.WaitForEnd(timed_out || unreadable ? -1 : timeout_seconds * 1000, &ending)) {
    worker.Stop();
    worker.WaitForEnd(-1, &ending);
    report.failure = "the program's worker did not end within " + seconds + " (--timeout) " +
                     After(reader.last()) + " and was stopped";
    return report;
  }
  if (timed_out) {
    report.failure = "the module gave no answer within " + seconds + " (--timeout) " +
                     Where(reader.current()) + " and was stopped";
  } else if (unreadable) {
    report.failure = "the program's worker sent something unreadable " + After(reader.last());
  } else if (ending.crashed || !reader.finished() || !reader.current().empty()) {
    const std::string what = ending.crashed ? "crashed (" + ending.crash + ")"
                                            : "ended the program (exit status " +
                                                  std::to_string(ending.exit_status) + ")";
    report.failure = reader.current().empty()
                         ? "the program's worker " + what + " " + After(reader.last())
                         : "the module " + what + " " + Where(reader.current());
  } else {
    report.exit_code = ending.exit_status;
  }
  return report;
}

}  // namespace standin
