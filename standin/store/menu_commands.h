// The menu that the host expects the module to list, in menu order: what the
// host shows for each command and when a command's run answers success.
//
// This is the host's side of the menu, written apart from the module's menu
// table, so that the entry-point tests, the fuzzer and the `quillo menus`
// tests check the module rather than repeat it. The tests' CMake files read
// the rows below as text (tests/menu_expectation.cmake): keep one row to a
// line, in the form they have.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>

namespace standin {

struct MenuCommandText {
  const char* menu_text;
  const char* description;
  const char* short_name;
  // A run answers 1 exactly when the selection starts at this measure or
  // later (a missing selection counts as measure 0); kAnyStart: always.
  int32_t least_start_measure;
  // The records a run may add, remove or change, by tag (TagName's form,
  // separated by spaces); every other record stays as it was. The document
  // invariants test holds each command to it and docs/architecture.md
  // points here.
  const char* changes;
};

inline constexpr int32_t kAnyStart = std::numeric_limits<int32_t>::min();

// clang-format off
inline constexpr MenuCommandText kMenuCommands[] = {
    {"ZK Start New Piece", "Starts a new piece at beginning of the selection.", "Start New Piece", 2, "SOSS SOIu dtLP otFM SOMN SOMS 0x4F025849"},
    {"Fix Indent (ZK Start New Piece)", "Fixes indentation within the selected measure span.", "Fix Indent", kAnyStart, "SOSS"},
};
// clang-format on

// The number of commands, which is also the first menu index past the last.
inline constexpr int16_t kMenuCommandCount = static_cast<int16_t>(std::size(kMenuCommands));

}  // namespace standin
