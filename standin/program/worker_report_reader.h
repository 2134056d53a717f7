// WorkerReportReader: the watching program's reading of what a worker sends
// on its channel (see ModuleWorker), line by line as it arrives:
//
//   report   := call* [document] [said] end
//   call     := "call " ENTRY "\n" "back\n"        ENTRY: load, unload or an entry point
//   document := "document " LENGTH "\n" BYTES      once the module is unloaded;
//                                                  LENGTH up to the document file limit
//   said     := "said " LENGTH "\n" BYTES          a failure's message, LENGTH up to 4096
//   end      := "end " STATUS "\n"                 STATUS 0, 1 or 2
//
// A document and a message may come in either order, each at most once,
// between calls. Anything else (a line over 64 bytes, a call under way when
// another begins, a return without a call, an unknown entry, a number out of
// range, anything after the end) is unexpected, and the reader stops there.
// It holds what it was handed over in the WorkerReport it was given.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "standin/program/module_worker.h"

namespace standin {

class WorkerReportReader {
 public:
  // The words of the channel, as a worker writes them.
  static constexpr std::string_view kCall = "call ";
  static constexpr std::string_view kBack = "back";
  static constexpr std::string_view kDocument = "document ";
  static constexpr std::string_view kSaid = "said ";
  static constexpr std::string_view kEnd = "end ";
  static constexpr std::string_view kLoad = "load";
  static constexpr std::string_view kUnload = "unload";
  // What a worker announces: loading, unloading and the entry points.
  static constexpr std::array<std::string_view, 9> kCalls = {kLoad,
                                                             kUnload,
                                                             "QuilloExtensionVersion",
                                                             "QuilloExtensionInit",
                                                             "QuilloExtensionEnumerate",
                                                             "QuilloExtensionEnumerate_UTF16",
                                                             "QuilloExtensionGetMenuStatus",
                                                             "QuilloExtensionInvoke",
                                                             "QuilloExtensionTerminate"};
  // The longest line a worker sends ("call QuilloExtensionEnumerate_UTF16"),
  // and the longest message it hands over (the program cuts its own well
  // below this).
  static constexpr size_t kLongestLine = 64;
  static constexpr size_t kLongestSaid = 4096;

  // Fills `report`'s document and message as they arrive.
  explicit WorkerReportReader(WorkerReport* report) : report_(report) {}

  // Takes in what arrived in `received` (and removes what it used; a line
  // not yet ended stays); false at the first thing a worker does not send,
  // there and then.
  bool Take(std::string* received);

  // The module call under way, "" between calls; the last one that returned.
  const std::string& current() const { return current_; }
  const std::string& last() const { return last_; }
  // True once the end came, with the status it gave.
  bool finished() const { return finished_; }
  int status() const { return status_; }

 private:
  bool Line(std::string_view line);

  WorkerReport* report_;
  std::string current_, last_;
  std::string* payload_ = nullptr;  // the document or message being received
  size_t payload_left_ = 0;
  bool finished_ = false;
  int status_ = 0;
};

}  // namespace standin
