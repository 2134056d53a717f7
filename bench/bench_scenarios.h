// The benchmark scenarios: the two commands on generated orchestral scores
// (41 parts: a 40-staff score and 40 single-staff parts, 2,000 measures per
// size unit), shared by the timing program and the instruction counter.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "standin/store/host_document.h"

namespace bench {

// The module's menu items, by index.
inline constexpr int16_t kMenuStartNewPiece = 0;
inline constexpr int16_t kMenuFixIndent = 1;

struct Scenario {
  const char* name;
  int16_t menu_index;
  // First selected measure at 1x; the middle scenario takes the middle of every size.
  int start_measure_at_1x;
  bool whole_score;
};

// Start New Piece near the start and in the middle, Fix Indent over the whole score.
const std::vector<Scenario>& Scenarios();
// The scenario of that name, or null.
const Scenario* FindScenario(const std::string& name);

// The generated document of size `factor` (1, 4, 16, ...), made once and kept.
const standin::HostDocument& Document(int factor);

// The 20-byte selection record of the scenario at that size.
std::vector<uint8_t> Selection(const Scenario& scenario, int factor);

// Runs the command once through the module's entry point on `doc`, which is
// active only for the call; returns the module's answer.
int32_t RunCommand(standin::HostDocument& doc, const Scenario& scenario,
                   const std::vector<uint8_t>& selection);
// The same for the menu item at `menu_index` and a 20-byte selection record.
int32_t RunCommand(standin::HostDocument& doc, int16_t menu_index, const uint8_t* selection);

// The host calls the command makes at that size, with their payloads,
// recorded once on a copy of the document and kept.
std::vector<standin::ServiceCall> RecordCalls(const Scenario& scenario, int factor);

}  // namespace bench
