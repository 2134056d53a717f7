// The benchmarks' orchestral score: what its shape promises is what the
// generated document holds, so that a benchmark measures the score it says.
#include "standin/documents/score_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "standin/reports/score_view.h"

namespace {

using standin::ScoreView;

// The shortest and longest system of a part, leaving out the last, which
// the end of the score may cut short.
std::pair<int, int> SystemLengths(const standin::PartView& part) {
  int shortest = 1 << 20, longest = 0;
  for (size_t i = 0; i + 1 < part.systems.size(); ++i) {
    const int length = part.systems[i].end - part.systems[i].first;
    shortest = std::min(shortest, length);
    longest = std::max(longest, length);
  }
  return {shortest, longest};
}

TEST(ScoreGeneratorTest, TheOrchestralScoreIsTheShapeItPromises) {
  const standin::HostDocument doc = standin::GenerateScore(standin::OrchestralShape(1));
  const ScoreView view(doc);
  ASSERT_EQ(doc.parts.size(), 41u);
  ASSERT_EQ(view.parts().size(), 41u);
  ASSERT_EQ(view.measures().size(), 2000u);
  EXPECT_EQ(view.measures().front().number, 1);
  EXPECT_EQ(view.measures().back().number, 2000);

  // Eight movements of 250 measures.
  ASSERT_EQ(view.regions().size(), 8u);
  for (size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(view.regions()[i].first, 1 + 250 * static_cast<int>(i)) << i;
    EXPECT_EQ(view.regions()[i].end, 251 + 250 * static_cast<int>(i)) << i;
  }

  for (const standin::PartView& part : view.parts()) {
    const bool score = part.id == 0;
    ASSERT_FALSE(part.systems.empty()) << part.id;
    EXPECT_EQ(part.systems.back().end, 2001) << part.id;
    // 4 to 6 measures a system in the score, 8 to 12 in the parts, both
    // ends drawn among some hundred systems.
    EXPECT_EQ(SystemLengths(part), score ? std::make_pair(4, 6) : std::make_pair(8, 12)) << part.id;
    // 40 staves in each of the score's systems, the part's own staff in a
    // part's; every seventh staff entry has a detail record.
    size_t entries = 0, details = 0;
    for (const auto& [system, list] : part.staff_lists) {
      ASSERT_EQ(list.size(), score ? 40u : 1u) << part.id << " " << system;
      EXPECT_EQ(list.front().staff, score ? 1 : part.id) << part.id << " " << system;
      entries += list.size();
    }
    EXPECT_EQ(part.staff_lists.size(), part.systems.size()) << part.id;
    for (const auto& [system, staves] : part.details) details += staves.size();
    EXPECT_EQ(details, entries / 7) << part.id;
    EXPECT_EQ(part.rests.size(), score ? 0u : 20u) << part.id;
  }
}

}  // namespace
