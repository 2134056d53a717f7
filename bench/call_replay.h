// CallReplay: the host's share of a command. A command's service calls are
// recorded once (with the bytes it wrote), then replayed straight against a
// fresh copy of the same document through the same exported services, with
// no module in between. Its time is the host's work plus the replay's own
// reading of the recording: near the host's work, but no lower bound of it.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "standin/store/host_document.h"

namespace bench {

class CallReplay {
 public:
  // Takes the calls a logged command made (the document must have logged
  // them with payloads).
  explicit CallReplay(std::vector<standin::ServiceCall> calls);

  // Makes every call again on the active document; returns how many answered
  // as they did when recorded (all of them, on an identical document).
  size_t Run() const;

  size_t size() const { return calls_.size(); }
  // Number of calls per service, e.g. {"QX_LoadEData": 1234, ...}.
  std::map<std::string, size_t> CallsByService() const;

 private:
  // Services by number, decoded once so that the replay itself adds nothing
  // but a switch per call.
  enum class Op {
    kLoad,
    kSave,
    kCreate,
    kDelete,
    kNext,
    kSlot,
    kLayout,
    kDocument,
    kCurrent,
    kSetCurrent,
    kNextPart,
    kUnknown
  };
  std::vector<standin::ServiceCall> calls_;
  std::vector<Op> ops_;
};

}  // namespace bench
