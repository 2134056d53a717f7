// Benchmarks of the two commands on generated orchestral scores, against the
// floor that the host's own work sets.
//
// Each command runs through the module's entry point on a fresh copy of a
// generated document (41 parts: a 40-staff score and 40 single-staff parts,
// about 2,000 measures at 1x). Its host calls are recorded once and replayed
// without the module on another fresh copy: command time / replay time is
// the module's overhead. After the runs a table gives, per command and size,
// both times, the ratio, host calls by service, heap allocations and peak
// heap, and the growth from 1x to 16x.
//
//   quillo_bench [--smoke] [google benchmark flags]
//   --smoke   1x only, one iteration each: checks that everything runs.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/allocation_counter.h"
#include "bench/call_replay.h"
#include "plugin/extension_api.h"
#include "standin/documents/score_generator.h"
#include "tests/support/stand_in_lookup.h"

namespace {

constexpr int kMeasuresAt1x = 2000;
constexpr int kMenuStartNewPiece = 0;
constexpr int kMenuFixIndent = 1;

struct Scenario {
  const char* name;
  int16_t menu_index;
  // Selection as fractions of the score: start measure, end measure.
  int start_measure_at_1x;
  bool whole_score;
};

const Scenario kScenarios[] = {
    {"StartNewPiece/near_start", kMenuStartNewPiece, 3, false},
    {"StartNewPiece/middle", kMenuStartNewPiece, kMeasuresAt1x / 2, false},
    {"FixIndent/whole_score", kMenuFixIndent, 1, true},
};

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
  std::vector<uint8_t> selection(20, 0);
  selection[4] = static_cast<uint8_t>(start & 0xFF);
  selection[5] = static_cast<uint8_t>(start >> 8);
  selection[14] = static_cast<uint8_t>(end & 0xFF);
  selection[15] = static_cast<uint8_t>(end >> 8);
  return selection;
}

// Runs the command once on `doc`; returns its answer.
int32_t RunCommand(standin::HostDocument& doc, const Scenario& scenario,
                   const std::vector<uint8_t>& selection) {
  standin::SetActiveDocument(&doc);
  QuilloExtensionVersion(doc.host_version);
  const int32_t answer = QuilloExtensionInvoke(nullptr, scenario.menu_index, selection.data());
  standin::SetActiveDocument(nullptr);
  return answer;
}

const bench::CallReplay& Recording(const Scenario& scenario, int factor) {
  static std::map<std::string, std::unique_ptr<bench::CallReplay>> cache;
  auto& slot = cache[std::string(scenario.name) + std::to_string(factor)];
  if (!slot) {
    standin::HostDocument doc = Document(factor);
    doc.logging = true;
    doc.log_payloads = true;
    RunCommand(doc, scenario, Selection(scenario, factor));
    slot = std::make_unique<bench::CallReplay>(std::move(doc.log));
  }
  return *slot;
}

// Lets the allocator finish the bookkeeping that the last copy's million
// frees left behind (glibc consolidates them at a later allocation), so that
// it is not charged to whichever run allocates next.
void SettleAllocator() {
  malloc_trim(0);
}

void SetHeapCounters(benchmark::State& state, const bench::HeapStats& heap, size_t calls) {
  state.counters["calls"] = static_cast<double>(calls);
  state.counters["allocs"] = static_cast<double>(heap.allocations);
  state.counters["peak_kB"] = static_cast<double>(heap.peak_bytes) / 1024.0;
}

void CommandBenchmark(benchmark::State& state, const Scenario* scenario, int factor) {
  const std::vector<uint8_t> selection = Selection(*scenario, factor);
  const bench::CallReplay& recording = Recording(*scenario, factor);
  const size_t calls = recording.size();
  bench::HeapStats heap;
  for (auto _ : state) {
    standin::HostDocument doc = Document(factor);
    doc.logging = false;
    SettleAllocator();
    bench::BeginHeapCount();
    const auto start = std::chrono::steady_clock::now();
    const int32_t answer = RunCommand(doc, *scenario, selection);
    const auto stop = std::chrono::steady_clock::now();
    heap = bench::EndHeapCount();
    state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
    if (answer != 1) state.SkipWithError("the command refused");
  }
  SetHeapCounters(state, heap, calls);
  for (const auto& [service, count] : recording.CallsByService()) {
    state.counters[service] = static_cast<double>(count);
  }
}

void ReplayBenchmark(benchmark::State& state, const Scenario* scenario, int factor) {
  const bench::CallReplay& replay = Recording(*scenario, factor);
  bench::HeapStats heap;
  for (auto _ : state) {
    standin::HostDocument doc = Document(factor);
    doc.logging = false;
    SettleAllocator();
    standin::SetActiveDocument(&doc);
    bench::BeginHeapCount();
    const auto start = std::chrono::steady_clock::now();
    const size_t matching = replay.Run();
    const auto stop = std::chrono::steady_clock::now();
    heap = bench::EndHeapCount();
    standin::SetActiveDocument(nullptr);
    state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
    if (matching != replay.size()) state.SkipWithError("the replay did not answer as recorded");
  }
  SetHeapCounters(state, heap, replay.size());
}

// Prints the usual console output, then the comparison table.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration && run.aggregate_name != "median") continue;
      std::string name = run.benchmark_name();
      name = name.substr(0, name.find("/iterations:"));
      Row& row = rows_[name];
      // Every benchmark here reports in milliseconds.
      row.ms = run.GetAdjustedRealTime();
      for (const auto& [counter_name, counter] : run.counters)
        row.counters[counter_name] = counter.value;
      row.error = run.error_occurred;
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf(
        "\n| command | size | module ms | replay ms | ratio | host calls | allocs (module+host) | "
        "allocs (host) | peak heap kB |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|\n");
    std::map<std::string, double> at1x;
    for (const auto& [name, row] : rows_) {
      const size_t cut = name.find("/module/");
      if (cut == std::string::npos) continue;
      const std::string command = name.substr(0, cut);
      const std::string size = name.substr(cut + 8);
      auto replay = rows_.find(command + "/replay/" + size);
      if (replay == rows_.end()) continue;
      const Row& r = replay->second;
      std::printf("| %s | %s | %.2f | %.2f | %.2f | %.0f | %.0f | %.0f | %.0f |\n", command.c_str(),
                  size.c_str(), row.ms, r.ms, r.ms > 0 ? row.ms / r.ms : 0.0, Get(row, "calls"),
                  Get(row, "allocs"), Get(r, "allocs"), Get(row, "peak_kB"));
      if (size == "1x") at1x[command] = row.ms;
    }
    std::printf("\nhost calls by service (per run):\n");
    for (const auto& [name, row] : rows_) {
      if (name.find("/module/") == std::string::npos) continue;
      std::printf("%s:", name.c_str());
      for (const auto& [counter, value] : row.counters) {
        if (counter.rfind("QX_", 0) == 0) std::printf(" %s %.0f", counter.c_str() + 3, value);
      }
      std::printf("\n");
    }
    for (const auto& [name, row] : rows_) {
      const size_t cut = name.find("/module/16x");
      if (cut == std::string::npos) continue;
      const std::string command = name.substr(0, cut);
      if (at1x.count(command) && at1x[command] > 0)
        std::printf("growth %s: 16x takes %.1fx the time of 1x\n", command.c_str(),
                    row.ms / at1x[command]);
    }
  }

 private:
  struct Row {
    double ms = 0;
    std::map<std::string, double> counters;
    bool error = false;
  };
  static double Get(const Row& row, const char* name) {
    auto it = row.counters.find(name);
    return it == row.counters.end() ? 0.0 : it->second;
  }
  std::map<std::string, Row> rows_;
};

}  // namespace

int main(int argc, char** argv) {
  bool smoke = false;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--smoke") == 0) {
      smoke = true;
    } else {
      args.push_back(argv[i]);
    }
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  testing_support::ConnectModuleToStandIn();

  const int factors[] = {1, 4, 16};
  for (int factor : factors) {
    if (smoke && factor != 1) continue;
    const int iterations = smoke ? 1 : factor == 16 ? 5 : factor == 4 ? 10 : 20;
    for (const Scenario& scenario : kScenarios) {
      const std::string size = std::to_string(factor) + "x";
      benchmark::RegisterBenchmark((std::string(scenario.name) + "/module/" + size).c_str(),
                                   CommandBenchmark, &scenario, factor)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond)
          ->Iterations(iterations);
      benchmark::RegisterBenchmark((std::string(scenario.name) + "/replay/" + size).c_str(),
                                   ReplayBenchmark, &scenario, factor)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond)
          ->Iterations(iterations);
    }
  }
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
