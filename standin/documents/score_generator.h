// ScoreGenerator: builds well-formed host documents of any size, for the
// property tests, the fuzzer's seeds and the benchmarks.
//
// A generated document has part 0 (the score) and further single-staff
// parts; in each part, systems 1..n cover measures 1..measures without gap or
// overlap, each with its staff list, some staff detail records and its
// frozen-system record; measure-number regions split the score into
// movements; the parts have multimeasure rests; the multimeasure-rest setting
// records are present. Uninterpreted bytes are random, so that a module that
// loses or moves them is seen.
#pragma once

#include <cstdint>
#include <vector>

#include "standin/store/host_document.h"

namespace standin {

struct ScoreShape {
  uint32_t host_version = 0x19000000;
  int parts = 3;  // part 0 plus parts - 1 single-staff parts
  int measures = 40;
  int score_staves = 3;      // staff entries per system in part 0
  int score_system_min = 4;  // measures per system in part 0
  int score_system_max = 6;
  int part_system_min = 8;  // measures per system in the other parts
  int part_system_max = 12;
  int detail_every = 3;                 // every n-th staff entry has a detail record
  std::vector<int> movement_starts{1};  // first measures of the movements
  int rests_per_part = 3;               // multimeasure rests in each part but part 0
  uint16_t split_gate = 0;              // 'ot83' word 4
  // Which systems carry the own-list flag of systemFlags (a staff list of their own, which
  // the host reads before kOwnStaffListsFrom): none, every one, or each
  // system drawn alone, so that neighbours differ.
  enum class OwnStaffLists { kNone, kEvery, kDrawn };
  OwnStaffLists own_staff_lists = OwnStaffLists::kNone;
  // The number of the first measure-number region; the others follow it.
  uint16_t first_region_number = 1;
  // Each system's staff list drawn on its own: some of the part's staves
  // (and one staff more), rotated, filed under entry numbers that may leave
  // gaps (none at 0, too), so that neighbouring lists differ; otherwise
  // every system lists the part's staves under entries 0, 1, 2, ...
  bool drawn_staff_lists = false;
  // Whether parts may lack their part record, each part drawn alone (the
  // host's list of parts still names them).
  bool drawn_missing_part_records = false;
  uint32_t seed = 1;
};

// A document of that shape. Its current part is 0.
HostDocument GenerateScore(const ScoreShape& shape);

// The benchmarks' orchestral score at `factor` times its base size: a
// 40-staff full score and 40 single-staff parts, 2,000 measures per factor,
// eight movements, 20 multimeasure rests per part and factor.
ScoreShape OrchestralShape(int factor);

}  // namespace standin
