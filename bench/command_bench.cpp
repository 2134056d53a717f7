// Benchmarks of the two commands on generated orchestral scores, side by side
// with a replay of their host calls: a check on a real clock. The replay reads
// its recording as it goes, so it is no lower bound of the host's own work;
// quillo_count gives that, counted.
//
// Each iteration is one pair: the command runs through the module's entry
// point on a fresh copy of the document, and the replay of its recorded host
// calls runs without the module on another fresh copy, one right after the
// other (which goes first alternates from pair to pair). Whatever else the
// machine does then falls on both sides of the pair alike, so the ratio of
// the pair (module time / replay time) keeps still when the times do not.
// After the runs a table gives, per command and size, the median of the
// pairs' ratios with its interquartile range, the median times, the host
// calls and the heap allocations of the module and of the host.
//
//   quillo_bench [--smoke] [--check] [google benchmark flags]
//   --smoke   1x only, one pair each: checks that everything runs.
//   --check   exit status 1 when a command's ratio fails the rule below.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/allocation_counter.h"
#include "bench/bench_scenarios.h"
#include "bench/call_replay.h"
#include "tests/support/stand_in_lookup.h"

namespace {

// The module may take this many times the replay's time.
constexpr double kRatioLimit = 1.25;

const bench::CallReplay& Recording(const bench::Scenario& scenario, int factor) {
  static std::map<std::string, std::unique_ptr<bench::CallReplay>> cache;
  auto& slot = cache[std::string(scenario.name) + std::to_string(factor)];
  if (!slot) slot = std::make_unique<bench::CallReplay>(bench::RecordCalls(scenario, factor));
  return *slot;
}

// The benchmark thread's CPU time in milliseconds. The commands are
// single-threaded and do no I/O, so this is their work; unlike the wall
// clock it stops while the thread waits for a core another job holds.
double ThreadMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Lets the allocator finish the bookkeeping that the last copy's million
// frees left behind (glibc consolidates them at a later allocation), so that
// it is not charged to whichever run allocates next.
void SettleAllocator() {
  malloc_trim(0);
}

// One timed side of a pair: milliseconds and heap use, or an error.
struct Side {
  double ms = 0;
  bench::HeapStats heap;
  bool ok = true;
};

Side TimeModule(const bench::Scenario& scenario, int factor,
                const std::vector<uint8_t>& selection) {
  standin::HostDocument doc = bench::Document(factor);
  doc.logging = false;
  SettleAllocator();
  Side side;
  bench::BeginHeapCount();
  const double start = ThreadMs();
  side.ok = bench::RunCommand(doc, scenario, selection) == 1;
  side.ms = ThreadMs() - start;
  side.heap = bench::EndHeapCount();
  return side;
}

Side TimeReplay(const bench::CallReplay& replay, int factor) {
  standin::HostDocument doc = bench::Document(factor);
  doc.logging = false;
  SettleAllocator();
  standin::SetActiveDocument(&doc);
  Side side;
  bench::BeginHeapCount();
  const double start = ThreadMs();
  side.ok = replay.Run() == replay.size();
  side.ms = ThreadMs() - start;
  side.heap = bench::EndHeapCount();
  standin::SetActiveDocument(nullptr);
  return side;
}

// The q-quantile of `values` (0 <= q <= 1), interpolated between the two
// nearest ranks; `values` must not be empty.
double Quantile(std::vector<double> values, double q) {
  std::sort(values.begin(), values.end());
  const double rank = q * static_cast<double>(values.size() - 1);
  const auto below = static_cast<size_t>(rank);
  const size_t above = std::min(below + 1, values.size() - 1);
  const double fraction = rank - static_cast<double>(below);
  return values[below] + (values[above] - values[below]) * fraction;
}

// What a benchmark found besides its ratio, for the table under the console
// output; the console shows only the ratio's columns.
struct Details {
  double module_ms = 0;
  double replay_ms = 0;
  size_t calls = 0;
  double allocs_module = 0;
  double allocs_host = 0;
  double peak_kB = 0;
  std::map<std::string, size_t> calls_by_service;
};

std::string BenchmarkName(const bench::Scenario& scenario, int factor) {
  return std::string(scenario.name) + "/" + std::to_string(factor) + "x";
}

std::map<std::string, Details>& AllDetails() {
  static std::map<std::string, Details> details;
  return details;
}

void PairBenchmark(benchmark::State& state, const bench::Scenario* scenario, int factor) {
  const std::vector<uint8_t> selection = bench::Selection(*scenario, factor);
  const bench::CallReplay& replay = Recording(*scenario, factor);
  std::vector<double> ratios, module_ms, replay_ms;
  Side module, floor;
  for (auto _ : state) {
    const bool module_first = ratios.size() % 2 == 0;
    if (module_first) module = TimeModule(*scenario, factor, selection);
    floor = TimeReplay(replay, factor);
    if (!module_first) module = TimeModule(*scenario, factor, selection);
    if (!module.ok || !floor.ok) {
      state.SkipWithError(!module.ok ? "the command refused"
                                     : "the replay did not answer as recorded");
      break;
    }
    // Google Benchmark's own time column is the module's side.
    state.SetIterationTime(module.ms / 1000.0);
    ratios.push_back(module.ms / floor.ms);
    module_ms.push_back(module.ms);
    replay_ms.push_back(floor.ms);
  }
  if (ratios.empty()) return;
  state.counters["ratio"] = Quantile(ratios, 0.5);
  state.counters["ratio_q1"] = Quantile(ratios, 0.25);
  state.counters["ratio_q3"] = Quantile(ratios, 0.75);
  state.counters["pairs"] = static_cast<double>(ratios.size());
  Details& details = AllDetails()[BenchmarkName(*scenario, factor)];
  details.module_ms = Quantile(module_ms, 0.5);
  details.replay_ms = Quantile(replay_ms, 0.5);
  details.calls = replay.size();
  details.allocs_module =
      static_cast<double>(module.heap.allocations) - static_cast<double>(floor.heap.allocations);
  details.allocs_host = static_cast<double>(floor.heap.allocations);
  details.peak_kB = static_cast<double>(module.heap.peak_bytes) / 1024.0;
  details.calls_by_service = replay.CallsByService();
}

// Prints the usual console output (the module's side and the ratio's
// columns), then the comparison table; keeps the ratios for the check.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  TableReporter() : ConsoleReporter(OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) continue;
      std::string name = run.benchmark_name();
      // The quillo program's own steps (program_bench.cpp) are no pairs.
      if (name.rfind("Program/", 0) == 0) continue;
      name = name.substr(0, name.find("/iterations:"));
      Row row;
      for (const auto& [counter_name, counter] : run.counters)
        row.ratio[counter_name] = counter.value;
      row.error = run.error_occurred;
      rows_.emplace_back(name, row);
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf(
        "\n| command | size | ratio (median) | IQR | pairs | module ms | replay ms | host calls | "
        "allocs (module) | allocs (host) | peak heap kB |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const auto& [name, row] : rows_) {
      const Details& details = AllDetails()[name];
      const size_t cut = name.rfind('/');
      std::printf(
          "| %s | %s | %.2f | %.2f–%.2f | %.0f | %.2f | %.2f | %zu | %.0f | %.0f | %.0f |\n",
          name.substr(0, cut).c_str(), name.substr(cut + 1).c_str(), row.Get("ratio"),
          row.Get("ratio_q1"), row.Get("ratio_q3"), row.Get("pairs"), details.module_ms,
          details.replay_ms, details.calls, details.allocs_module, details.allocs_host,
          details.peak_kB);
    }
    std::printf("\nhost calls by service (per run):\n");
    for (const auto& [name, row] : rows_) {
      std::printf("%s:", name.c_str());
      for (const auto& [service, count] : AllDetails()[name].calls_by_service)
        std::printf(" %s %zu", service.c_str() + 3, count);
      std::printf("\n");
    }
  }

  // The rule: a command fails when its ratio's lower quartile is above the
  // limit, that is when at least three pairs in four took longer than the
  // limit allows. Noise widens the spread on both sides of the median and
  // cannot push the lower quartile up; a module really over the limit moves
  // the whole spread.
  bool Check() const {
    bool passed = true;
    std::printf("\ncheck: the lower quartile of each command's pair ratios within %.2f\n",
                kRatioLimit);
    for (const auto& [name, row] : rows_) {
      const bool over = row.error || row.Get("ratio_q1") > kRatioLimit;
      std::printf("  %s %s: median %.2f, IQR %.2f–%.2f%s\n", over ? "FAIL" : "ok  ", name.c_str(),
                  row.Get("ratio"), row.Get("ratio_q1"), row.Get("ratio_q3"),
                  row.error ? " (error)" : "");
      if (over) passed = false;
    }
    return passed;
  }

 private:
  struct Row {
    std::map<std::string, double> ratio;  // the benchmark's counters
    bool error = false;
    double Get(const char* counter) const {
      auto it = ratio.find(counter);
      return it == ratio.end() ? 0.0 : it->second;
    }
  };
  // In the order the benchmarks ran.
  std::vector<std::pair<std::string, Row>> rows_;
};

}  // namespace

int main(int argc, char** argv) {
  bool smoke = false;
  bool check = false;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--smoke") == 0) {
      smoke = true;
    } else if (std::strcmp(argv[i], "--check") == 0) {
      check = true;
    } else {
      args.push_back(argv[i]);
    }
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 2;
  testing_support::ConnectModuleToStandIn();

  const int factors[] = {1, 4, 16};
  for (int factor : factors) {
    if (smoke && factor != 1) continue;
    const int pairs = smoke ? 1 : factor == 16 ? 9 : factor == 4 ? 15 : 31;
    for (const bench::Scenario& scenario : bench::Scenarios()) {
      benchmark::RegisterBenchmark(BenchmarkName(scenario, factor).c_str(), PairBenchmark,
                                   &scenario, factor)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond)
          ->Iterations(pairs);
    }
  }
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  if (check && !reporter.Check()) return 1;
  return 0;
}
