#include "bench/bench_scenarios.h"

#include <map>
#include <memory>

#include "plugin/extension_api.h"
#include "standin/documents/score_generator.h"
#include "standin/store/selection.h"

namespace bench {
namespace {

// The size of the 1x score (standin::OrchestralShape).
constexpr int kMeasuresAt1x = 2000;

}  // namespace

const std::vector<Scenario>& Scenarios() {
  static const std::vector<Scenario> kScenarios = {
      {"StartNewPiece/near_start", kMenuStartNewPiece, 3, false},
      {"StartNewPiece/middle", kMenuStartNewPiece, kMeasuresAt1x / 2, false},
      {"FixIndent/whole_score", kMenuFixIndent, 1, true},
  };
  return kScenarios;
}

const Scenario* FindScenario(const std::string& name) {
  for (const Scenario& scenario : Scenarios()) {
    if (name == scenario.name) return &scenario;
  }
  return nullptr;
}

const standin::HostDocument& Document(int factor) {
  static std::map<int, std::unique_ptr<standin::HostDocument>> cache;
  auto& slot = cache[factor];
  if (!slot)
    slot = std::make_unique<standin::HostDocument>(
        standin::GenerateScore(standin::OrchestralShape(factor)));
  return *slot;
}

std::vector<uint8_t> Selection(const Scenario& scenario, int factor) {
  const int measures = standin::OrchestralShape(factor).measures;
  int start = scenario.start_measure_at_1x;
  if (scenario.start_measure_at_1x == kMeasuresAt1x / 2) start = measures / 2;
  standin::Selection selection;
  selection.start_measure = static_cast<int16_t>(start);
  selection.end_measure = static_cast<int16_t>(scenario.whole_score ? measures : start);
  const auto record = selection.Encode();
  return std::vector<uint8_t>(record.begin(), record.end());
}

int32_t RunCommand(standin::HostDocument& doc, const Scenario& scenario,
                   const std::vector<uint8_t>& selection) {
  return RunCommand(doc, scenario.menu_index, selection.data());
}

int32_t RunCommand(standin::HostDocument& doc, int16_t menu_index, const uint8_t* selection) {
  standin::SetActiveDocument(&doc);
  QuilloExtensionVersion(doc.host_version);
  const int32_t answer = QuilloExtensionInvoke(nullptr, menu_index, selection);
  standin::SetActiveDocument(nullptr);
  return answer;
}

std::vector<standin::ServiceCall> RecordCalls(const Scenario& scenario, int factor) {
  standin::HostDocument doc = Document(factor);
  doc.logging = true;
  doc.log_payloads = true;
  RunCommand(doc, scenario, Selection(scenario, factor));
  return std::move(doc.log);
}

}  // namespace bench
