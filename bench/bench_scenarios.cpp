#include "bench/bench_scenarios.h"

#include <map>
#include <memory>

#include "plugin/extension_api.h"
#include "standin/documents/score_generator.h"

namespace bench {
namespace {

constexpr int kMeasuresAt1x = 2000;
constexpr int16_t kMenuStartNewPiece = 0;
constexpr int16_t kMenuFixIndent = 1;

// Selection record: start measure u16 @4, end measure u16 @14.
constexpr size_t kSelectionSize = 20;
constexpr size_t kStartMeasureOffset = 4;
constexpr size_t kEndMeasureOffset = 14;

standin::ScoreShape ShapeFor(int factor) {
  standin::ScoreShape shape;
  shape.parts = 41;
  shape.measures = kMeasuresAt1x * factor;
  shape.score_staves = 40;
  shape.score_system_min = 4;
  shape.score_system_max = 6;
  shape.part_system_min = 8;
  shape.part_system_max = 12;
  shape.detail_every = 7;
  shape.rests_per_part = 20 * factor;
  shape.movement_starts.clear();
  for (int m = 0; m < 8; ++m) shape.movement_starts.push_back(1 + m * shape.measures / 8);
  shape.seed = 2026;
  return shape;
}

void WriteU16(std::vector<uint8_t>& bytes, size_t offset, int value) {
  bytes[offset] = static_cast<uint8_t>(value & 0xFF);
  bytes[offset + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

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
    slot = std::make_unique<standin::HostDocument>(standin::GenerateScore(ShapeFor(factor)));
  return *slot;
}

std::vector<uint8_t> Selection(const Scenario& scenario, int factor) {
  const int measures = kMeasuresAt1x * factor;
  int start = scenario.start_measure_at_1x;
  if (scenario.start_measure_at_1x == kMeasuresAt1x / 2) start = measures / 2;
  const int end = scenario.whole_score ? measures : start;
  std::vector<uint8_t> selection(kSelectionSize, 0);
  WriteU16(selection, kStartMeasureOffset, start);
  WriteU16(selection, kEndMeasureOffset, end);
  return selection;
}

int32_t RunCommand(standin::HostDocument& doc, const Scenario& scenario,
                   const std::vector<uint8_t>& selection) {
  standin::SetActiveDocument(&doc);
  QuilloExtensionVersion(doc.host_version);
  const int32_t answer = QuilloExtensionInvoke(nullptr, scenario.menu_index, selection.data());
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
