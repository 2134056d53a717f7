// quillo_count: a command's instructions, the module's own and the host's,
// counted by Valgrind's callgrind, which the machine's load does not change.
//
// Each scenario runs once more in a child process under callgrind: the
// document is generated and the command recorded without instrumentation,
// then the command runs on a fresh copy with instrumentation on. Everything
// inside the module's entry point (QuilloExtensionInvoke) is collected; the
// host's share is what the calls into its services (QX_...) cost, taken from
// the profile's call graph, and the module's own is the rest: its code and
// the library code it calls (allocation included). Both come from the same
// run, and their ratio (module + host) / host is the command's cost against
// the host's own work.
//
//   quillo_count [--sizes 1,4] [--scenario NAME]... [--baseline FILE --check | --record]
//
// --check fails (exit 1) when a scenario's module instructions per host call
// exceed the baseline's by more than the baseline's tolerance (per cent);
// --record writes the counts as the new baseline.
#include <malloc.h>
#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_scenarios.h"
#include "tests/support/stand_in_lookup.h"

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_START_INSTRUMENTATION
#define CALLGRIND_STOP_INSTRUMENTATION
#endif

namespace {

namespace fs = std::filesystem;

constexpr double kDefaultTolerancePercent = 3.0;
// Larger than any block the stand-in frees, below glibc's threshold for
// allocations of their own (mmap).
constexpr size_t kSettlingAllocation = 64 * 1024;
// glibc sorts at most this many freed blocks into its bins per allocation.
constexpr size_t kSortedPerAllocation = 10000;

struct Count {
  std::string scenario;
  int factor = 1;
  // The module's own instructions, and the host's inside its services.
  uint64_t instructions = 0;
  uint64_t host_instructions = 0;
  uint64_t host_calls = 0;
  double PerCall() const { return Per(instructions); }
  double HostPerCall() const { return Per(host_instructions); }
  // (module + host) / host: the command against the host's own work.
  double Ratio() const {
    return host_instructions == 0 ? 0.0
                                  : static_cast<double>(instructions + host_instructions) /
                                        static_cast<double>(host_instructions);
  }
  double Per(uint64_t count) const {
    return host_calls == 0 ? 0.0 : static_cast<double>(count) / static_cast<double>(host_calls);
  }
  std::string Key() const { return scenario + "/" + std::to_string(factor) + "x"; }
};

// The child: runs `scenario` at `factor` with instrumentation on for the
// command only, and prints its host call count and answer.
int RunInside(const std::string& name, int factor) {
  const bench::Scenario* scenario = bench::FindScenario(name);
  if (scenario == nullptr) {
    std::fprintf(stderr, "quillo_count: unknown scenario %s\n", name.c_str());
    return 2;
  }
  testing_support::ConnectModuleToStandIn();
  const std::vector<uint8_t> selection = bench::Selection(*scenario, factor);
  // The recording run also makes the first-call lookups of the host's
  // services, so the counted run is like every later one.
  const size_t calls = bench::RecordCalls(*scenario, factor).size();
  standin::HostDocument doc = bench::Document(factor);
  doc.logging = false;
  // The recording run's document was freed just now; glibc would sort and
  // consolidate its blocks at the command's first allocations and charge the
  // module for it. Settled here: trimmed as in the timed benchmark, then
  // allocations that no free block fits, each of which sorts up to
  // kSortedPerAllocation of the freed blocks, until every one is sorted.
  malloc_trim(0);
  const size_t free_blocks = mallinfo2().ordblks;
  for (size_t sorted = 0; sorted <= free_blocks; sorted += kSortedPerAllocation) {
    std::free(std::malloc(kSettlingAllocation));
  }
  CALLGRIND_START_INSTRUMENTATION;
  const int32_t answer = bench::RunCommand(doc, *scenario, selection);
  CALLGRIND_STOP_INSTRUMENTATION;
  std::printf("host_calls %zu\nanswer %d\n", calls, answer);
  return answer == 1 ? 0 : 1;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The number after `label` at the start of a line of `text`, or 0.
uint64_t NumberAfter(const std::string& text, const std::string& label) {
  const std::string at_line_start = "\n" + label;
  size_t at = ("\n" + text).find(at_line_start);
  if (at == std::string::npos) return 0;
  return std::strtoull(text.c_str() + at + label.size(), nullptr, 10);
}

// The instructions spent inside the host's services: the inclusive cost of
// every call made into a QX_ function from outside one, read from the call
// graph of a callgrind profile. Function names are compressed there: the
// first mention of an id is "(id) name", later ones "(id)". A call is a line
// "calls=COUNT TARGET" followed by "POSITION INCLUSIVE-COST".
uint64_t HostInstructions(const std::string& profile_text) {
  std::map<std::string, std::string> names;
  auto name_of = [&names](const std::string& entry) {
    const size_t close = entry.find(')');
    if (entry.empty() || entry[0] != '(' || close == std::string::npos) return entry;
    const std::string id = entry.substr(0, close + 1);
    if (close + 1 < entry.size()) names[id] = entry.substr(close + 2);
    return names[id];
  };
  auto is_service = [](const std::string& name) { return name.rfind("QX_", 0) == 0; };
  std::istringstream lines(profile_text);
  std::string line, caller, callee;
  bool cost_line_next = false;
  uint64_t total = 0;
  while (std::getline(lines, line)) {
    if (cost_line_next) {
      cost_line_next = false;
      std::istringstream fields(line);
      std::string position;
      uint64_t inclusive = 0;
      if (fields >> position >> inclusive && is_service(callee) && !is_service(caller))
        total += inclusive;
    } else if (line.rfind("fn=", 0) == 0) {
      caller = name_of(line.substr(3));
    } else if (line.rfind("cfn=", 0) == 0) {
      callee = name_of(line.substr(4));
    } else if (line.rfind("calls=", 0) == 0) {
      cost_line_next = true;
    }
  }
  return total;
}

// Runs the child under callgrind; false with a message when it fails.
bool CountUnderCallgrind(const fs::path& self, const fs::path& out_dir, Count& count) {
  std::string stem = count.Key();
  for (char& c : stem) {
    if (c == '/') c = '_';
  }
  const fs::path profile = out_dir / ("callgrind.out." + stem);
  const fs::path answer = out_dir / (stem + ".txt");
  const fs::path log = out_dir / (stem + ".log");
  const std::string command =
      "valgrind --tool=callgrind --instr-atstart=no --collect-atstart=no"
      " --toggle-collect=QuilloExtensionInvoke"
      " --callgrind-out-file='" +
      profile.string() + "' --log-file='" + log.string() + "' '" + self.string() + "' --inside '" +
      count.scenario + "' --factor " + std::to_string(count.factor) + " > '" + answer.string() +
      "'";
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "quillo_count: %s failed under callgrind (see %s)\n", stem.c_str(),
                 log.string().c_str());
    return false;
  }
  count.host_calls = NumberAfter(ReadFile(answer), "host_calls ");
  const std::string profile_text = ReadFile(profile);
  uint64_t whole = NumberAfter(profile_text, "totals: ");
  if (whole == 0) whole = NumberAfter(profile_text, "summary: ");
  count.host_instructions = HostInstructions(profile_text);
  if (whole == 0 || count.host_calls == 0 || count.host_instructions == 0 ||
      count.host_instructions >= whole) {
    std::fprintf(stderr, "quillo_count: no count in %s\n", profile.string().c_str());
    return false;
  }
  count.instructions = whole - count.host_instructions;
  return true;
}

void PrintTable(const std::vector<Count>& counts) {
  std::printf(
      "\n| command | size | (module + host) / host | module instructions | host instructions |"
      " host calls | module per host call | host per host call | module growth from 1x |\n");
  std::printf("|---|---|---|---|---|---|---|---|---|\n");
  std::map<std::string, uint64_t> at1x;
  for (const Count& count : counts) {
    if (count.factor == 1) at1x[count.scenario] = count.instructions;
  }
  for (const Count& count : counts) {
    std::string growth = "";
    auto base = at1x.find(count.scenario);
    if (count.factor != 1 && base != at1x.end() && base->second > 0) {
      char text[32];
      std::snprintf(text, sizeof text, "%.2fx",
                    static_cast<double>(count.instructions) / static_cast<double>(base->second));
      growth = text;
    }
    std::printf("| %s | %dx | **%.3f** | %llu | %llu | %llu | %.1f | %.1f | %s |\n",
                count.scenario.c_str(), count.factor, count.Ratio(),
                static_cast<unsigned long long>(count.instructions),
                static_cast<unsigned long long>(count.host_instructions),
                static_cast<unsigned long long>(count.host_calls), count.PerCall(),
                count.HostPerCall(), growth.c_str());
  }
}

bool WriteBaseline(const fs::path& path, const std::vector<Count>& counts) {
  nlohmann::ordered_json baseline;
  baseline["about"] =
      "The module's own instructions per command under callgrind, and the host's inside its "
      "services (quillo_count); the check compares the module's per host call. "
      "Re-record with: ./dev bench --record-baseline";
  baseline["tolerance_percent"] = kDefaultTolerancePercent;
  for (const Count& count : counts) {
    baseline["counts"][count.Key()] = {{"instructions", count.instructions},
                                       {"host_instructions", count.host_instructions},
                                       {"host_calls", count.host_calls}};
  }
  std::ofstream out(path);
  out << baseline.dump(2) << "\n";
  if (!out) {
    std::fprintf(stderr, "quillo_count: cannot write %s\n", path.string().c_str());
    return false;
  }
  std::printf("baseline written: %s\n", path.string().c_str());
  return true;
}

// Compares each count with the baseline's; false when one grew beyond the
// tolerance or has no baseline.
bool CheckBaseline(const fs::path& path, const std::vector<Count>& counts) {
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "quillo_count: cannot read the baseline %s\n", path.string().c_str());
    return false;
  }
  const nlohmann::json baseline = nlohmann::json::parse(in, nullptr, false);
  if (baseline.is_discarded() || !baseline.contains("counts")) {
    std::fprintf(stderr, "quillo_count: %s is not a baseline file\n", path.string().c_str());
    return false;
  }
  const double tolerance = baseline.value("tolerance_percent", kDefaultTolerancePercent);
  bool passed = true;
  std::printf("\ninstructions per host call against %s (tolerance +%.1f %%):\n",
              path.string().c_str(), tolerance);
  for (const Count& count : counts) {
    const nlohmann::json& recorded = baseline["counts"].value(count.Key(), nlohmann::json());
    if (!recorded.is_object()) {
      std::printf("  FAIL %s: no baseline (record one with ./dev bench --record-baseline)\n",
                  count.Key().c_str());
      passed = false;
      continue;
    }
    const auto instructions = recorded.value("instructions", uint64_t{0});
    const auto calls = recorded.value("host_calls", uint64_t{0});
    const double before =
        calls == 0 ? 0.0 : static_cast<double>(instructions) / static_cast<double>(calls);
    const double change = before > 0 ? (count.PerCall() / before - 1.0) * 100.0 : 0.0;
    const bool grew = change > tolerance;
    std::printf("  %s %s: %.1f per call, baseline %.1f (%+.1f %%)%s\n", grew ? "FAIL" : "ok  ",
                count.Key().c_str(), count.PerCall(), before, change,
                calls != count.host_calls ? "; the number of host calls changed" : "");
    if (grew) passed = false;
  }
  return passed;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"A command's instructions, the module's and the host's, counted under callgrind"};
  std::vector<int> sizes{1, 4};
  std::vector<std::string> names;
  std::string baseline;
  bool check = false;
  bool record = false;
  std::string inside;
  int factor = 1;
  app.add_option("--sizes", sizes, "Score sizes to count (1 = 2,000 measures)")->delimiter(',');
  app.add_option("--scenario", names, "Scenarios to count (default: all)");
  app.add_option("--baseline", baseline, "Baseline file for --check and --record");
  app.add_flag("--check", check, "Fail when a count per host call grew beyond the tolerance");
  app.add_flag("--record", record, "Write the counts as the new baseline");
  app.add_option("--inside", inside, "(internal) the run under callgrind");
  app.add_option("--factor", factor, "(internal) its size");
  CLI11_PARSE(app, argc, argv);

  if (!inside.empty()) return RunInside(inside, factor);
  if ((check || record) && baseline.empty()) {
    std::fprintf(stderr, "quillo_count: --check and --record need --baseline FILE\n");
    return 2;
  }
  if (check && !fs::exists(baseline)) {
    std::fprintf(stderr, "quillo_count: no baseline file %s\n", baseline.c_str());
    return 2;
  }
  if (names.empty()) {
    for (const bench::Scenario& scenario : bench::Scenarios()) names.push_back(scenario.name);
  }
  for (const std::string& name : names) {
    if (bench::FindScenario(name) == nullptr) {
      std::fprintf(stderr, "quillo_count: unknown scenario %s\n", name.c_str());
      return 2;
    }
  }
  const fs::path self = fs::read_symlink("/proc/self/exe");
  const fs::path out_dir = self.parent_path().parent_path() / "callgrind";
  fs::create_directories(out_dir);

  std::vector<Count> counts;
  for (int size : sizes) {
    for (const std::string& name : names) {
      Count count{name, size};
      std::printf("counting %s at %dx ...\n", name.c_str(), size);
      std::fflush(stdout);
      if (!CountUnderCallgrind(self, out_dir, count)) return 1;
      counts.push_back(count);
    }
  }
  PrintTable(counts);
  std::printf("\nprofiles: %s (callgrind_annotate --inclusive=yes FILE)\n", out_dir.c_str());
  if (record && !WriteBaseline(baseline, counts)) return 1;
  if (check && !CheckBaseline(baseline, counts)) return 1;
  return 0;
}
