// quillo_call_logs: a digest of every host call the module makes, per
// example document and per benchmark scenario, against a checked-in file.
//
// A change that is meant to leave the module's behaviour toward the host as
// it was (an optimisation, a clean-up) must leave these digests as they were:
// the same services in the same order, with the same tags, addresses, sizes,
// versions, arguments, written bytes and answers.
//
//   quillo_call_logs --digests FILE (--check | --record) [--sizes 1,4]
//
// Each example document (standin::ExampleDocuments) is run once per measure m
// on a fresh copy: Start New Piece at m, then Fix Indent from m to the last
// measure, then Fix Indent over the whole document. Each benchmark scenario
// (bench::Scenarios) runs once at each size. --record writes the digests into
// FILE, keeping the entries of sizes not counted this time.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "bench/bench_scenarios.h"
#include "standin/documents/example_documents.h"
#include "standin/store/selection.h"
#include "tests/support/stand_in_lookup.h"

namespace {

// FNV-1a, 64 bits, over every field of every call in log order, integers
// little-endian, so the digest is the same on every platform.
class CallDigest {
 public:
  void Add(const std::vector<standin::ServiceCall>& log) {
    for (const standin::ServiceCall& call : log) {
      Bytes(call.service.data(), call.service.size());
      Number(call.tag);
      Number(call.cmper);
      Number(call.inci);
      Number(static_cast<uint64_t>(call.size));
      Number(call.version);
      Number(static_cast<uint32_t>(call.arg1));
      Number(static_cast<uint32_t>(call.arg2));
      Number(static_cast<uint16_t>(call.part));
      Number(static_cast<uint16_t>(call.result));
      Number(call.payload.size());
      Bytes(call.payload.data(), call.payload.size());
    }
    calls_ += log.size();
  }
  // The module's answer belongs to the run's record too.
  void AddAnswer(int32_t answer) { Number(static_cast<uint32_t>(answer)); }

  std::string Hex() const {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash_));
    return text;
  }
  uint64_t Calls() const { return calls_; }

 private:
  template <typename T>
  void Number(T value) {
    for (size_t i = 0; i < sizeof(T); ++i) Byte(static_cast<uint8_t>(value >> (8 * i)));
  }
  void Bytes(const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i) Byte(bytes[i]);
  }
  void Byte(uint8_t byte) {
    hash_ ^= byte;
    hash_ *= 0x100000001B3ull;
  }

  uint64_t hash_ = 0xCBF29CE484222325ull;
  uint64_t calls_ = 0;
};

struct Entry {
  std::string name;
  uint64_t calls = 0;
  std::string digest;
};

// Runs the command on `doc` with its calls logged, payloads included, and
// adds the calls and the answer to `digest`.
void RunLogged(standin::HostDocument& doc, int16_t menu_index, const uint8_t* selection,
               CallDigest& digest) {
  doc.log.clear();
  doc.logging = true;
  doc.log_payloads = true;
  const int32_t answer = bench::RunCommand(doc, menu_index, selection);
  digest.Add(doc.log);
  digest.AddAnswer(answer);
  doc.log.clear();
}

// The selection of measures first..last (all slots), or nothing.
std::optional<standin::Selection> Measures(const standin::HostDocument& doc, int first, int last) {
  standin::NumberRange range;
  range.first = first;
  range.last = last;
  std::string error;
  return standin::Selection::InDocument(doc, range, std::nullopt, &error);
}

// The digest of one example: every measure as a new piece's start, each
// followed by Fix Indent from there and over the whole document.
bool DigestExample(const std::string& name, Entry& entry) {
  standin::HostDocument original;
  if (!standin::ExampleDocuments::Build(name, &original)) return false;
  standin::NumberRange all;
  all.all = true;
  std::string error;
  const std::optional<standin::Selection> whole =
      standin::Selection::InDocument(original, all, std::nullopt, &error);
  if (!whole) {
    std::fprintf(stderr, "quillo_call_logs: %s: %s\n", name.c_str(), error.c_str());
    return false;
  }
  CallDigest digest;
  for (int m = whole->start_measure; m <= whole->end_measure; ++m) {
    const std::optional<standin::Selection> at = Measures(original, m, m);
    const std::optional<standin::Selection> rest = Measures(original, m, whole->end_measure);
    if (!at || !rest) continue;  // a gap in the measure numbers
    standin::HostDocument doc = original;
    RunLogged(doc, bench::kMenuStartNewPiece, at->Encode().data(), digest);
    RunLogged(doc, bench::kMenuFixIndent, rest->Encode().data(), digest);
    RunLogged(doc, bench::kMenuFixIndent, whole->Encode().data(), digest);
  }
  entry = {"example/" + name, digest.Calls(), digest.Hex()};
  return true;
}

Entry DigestScenario(const bench::Scenario& scenario, int factor) {
  standin::HostDocument doc = bench::Document(factor);
  CallDigest digest;
  RunLogged(doc, scenario.menu_index, bench::Selection(scenario, factor).data(), digest);
  return {std::string(scenario.name) + "/" + std::to_string(factor) + "x", digest.Calls(),
          digest.Hex()};
}

bool Record(const std::string& path, const std::vector<Entry>& entries) {
  nlohmann::ordered_json file;
  if (std::ifstream in(path); in) {
    file = nlohmann::ordered_json::parse(in, nullptr, false);
    if (file.is_discarded()) file = nlohmann::ordered_json();
  }
  file["about"] =
      "Digests of the module's host calls per example and benchmark scenario "
      "(quillo_call_logs). Re-record only when a change means to alter them.";
  for (const Entry& entry : entries) {
    file["logs"][entry.name] = {{"calls", entry.calls}, {"digest", entry.digest}};
  }
  std::ofstream out(path);
  out << file.dump(2) << "\n";
  if (!out) {
    std::fprintf(stderr, "quillo_call_logs: cannot write %s\n", path.c_str());
    return false;
  }
  std::printf("digests written: %s\n", path.c_str());
  return true;
}

bool Check(const std::string& path, const std::vector<Entry>& entries) {
  std::ifstream in(path);
  const nlohmann::json file = nlohmann::json::parse(in, nullptr, false);
  if (!in || file.is_discarded() || !file.contains("logs")) {
    std::fprintf(stderr, "quillo_call_logs: %s is not a digest file\n", path.c_str());
    return false;
  }
  bool same = true;
  for (const Entry& entry : entries) {
    const nlohmann::json recorded = file["logs"].value(entry.name, nlohmann::json());
    const bool found = recorded.is_object();
    const bool equal = found && recorded.value("digest", "") == entry.digest &&
                       recorded.value("calls", uint64_t{0}) == entry.calls;
    if (equal) {
      std::printf("  same    %s: %llu calls\n", entry.name.c_str(),
                  static_cast<unsigned long long>(entry.calls));
      continue;
    }
    same = false;
    if (!found) {
      std::printf("  FAIL    %s: no recorded digest\n", entry.name.c_str());
    } else {
      std::printf("  CHANGED %s: %llu calls, digest %s; recorded %llu calls, digest %s\n",
                  entry.name.c_str(), static_cast<unsigned long long>(entry.calls),
                  entry.digest.c_str(),
                  static_cast<unsigned long long>(recorded.value("calls", uint64_t{0})),
                  recorded.value("digest", "").c_str());
    }
  }
  return same;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Digests of the module's host calls, per example and benchmark scenario"};
  std::string path;
  std::vector<int> sizes{1};
  bool check = false;
  bool record = false;
  app.add_option("--digests", path, "The digest file")->required();
  app.add_option("--sizes", sizes, "Benchmark score sizes (1 = 2,000 measures)")->delimiter(',');
  auto* check_flag = app.add_flag("--check", check, "Fail when a digest differs");
  app.add_flag("--record", record, "Write the digests into the file")->excludes(check_flag);
  CLI11_PARSE(app, argc, argv);
  if (check == record) {
    std::fprintf(stderr, "quillo_call_logs: give --check or --record\n");
    return 2;
  }
  testing_support::ConnectModuleToStandIn();
  std::vector<Entry> entries;
  for (const std::string& name : standin::ExampleDocuments::Names()) {
    Entry entry;
    if (!DigestExample(name, entry)) return 1;
    entries.push_back(entry);
  }
  for (int size : sizes) {
    for (const bench::Scenario& scenario : bench::Scenarios()) {
      entries.push_back(DigestScenario(scenario, size));
    }
  }
  if (record) return Record(path, entries) ? 0 : 1;
  if (!Check(path, entries)) {
    std::printf("host calls differ from %s\n", path.c_str());
    return 1;
  }
  std::printf("host calls as recorded in %s\n", path.c_str());
  return 0;
}
