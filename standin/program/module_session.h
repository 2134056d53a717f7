// ModuleSession: a plug-in module loaded and started the way the host starts
// it, ready to run its menu commands.
//
// Opening loads the module file, tells it the host version, calls its init
// entry point and reads its menu in both forms (8-bit and UTF-16). Commands
// are then found by the texts the module itself gave and invoked with a
// selection record. The session owns the loaded module; it calls the
// module's terminate entry point and unloads it when destroyed. The
// services the module calls act on the document made active with
// SetActiveDocument.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "standin/program/module_loader.h"
#include "standin/store/selection.h"

namespace standin {

struct MenuEntry {
  int16_t index = 0;
  std::string text, description, short_name;        // 8-bit form
  std::string text16, description16, short_name16;  // UTF-16 form, as ASCII
};

class ModuleSession {
 public:
  // Rationale: a module that answers yes for every menu index would make the
  // host ask forever; no real menu is this long.
  static constexpr int16_t kMostMenuItems = 64;

  ModuleSession() = default;
  ModuleSession(const ModuleSession&) = delete;
  ModuleSession& operator=(const ModuleSession&) = delete;
  ~ModuleSession();

  // Loads and starts the module at `path`. On failure returns false with
  // `error` reading "PATH: problem".
  bool Open(const std::string& path, uint32_t host_version, std::string* error);

  uint32_t version_answer() const { return version_answer_; }
  int32_t init_answer() const { return init_answer_; }
  uint32_t init_flags() const { return init_flags_; }
  const std::vector<MenuEntry>& menu() const { return menu_; }
  // True when the module still offered an item at index kMostMenuItems - 1,
  // so asking stopped there rather than at the module's answer 0.
  bool menu_limit_reached() const { return menu_limit_reached_; }

  // The module's menu status answer.
  int32_t MenuStatus();

  // The menu index of the command called `name`: its menu text or short name
  // in either form, compared without regard to case, or its index as a
  // number. -1 when the module offers no such command.
  int FindCommand(const std::string& name) const;

  // "ZK Start New Piece" (Start New Piece), ... for messages.
  std::string MenuSummary() const;

  // Runs menu command `index` on `selection`; the module's answer.
  int32_t Invoke(int16_t index, const Selection& selection);

 private:
  ModuleLoader loader_;
  bool open_ = false;
  uint32_t version_answer_ = 0;
  int32_t init_answer_ = 0;
  uint32_t init_flags_ = 0;
  std::vector<MenuEntry> menu_;
  bool menu_limit_reached_ = false;
};

}  // namespace standin
