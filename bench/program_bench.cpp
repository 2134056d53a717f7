// Benchmarks of the quillo program's own work on the benchmarks' orchestral
// score (OrchestralShape) at 1x and 16x: reading a document file's text,
// `show` (read and draw), `diff` (read two and compare) and `run` (read,
// Fix Indent over the whole score in process, write the text). Each reports
// its time per thousand records and its peak heap per byte of document text:
// both stay flat from 1x to 16x while the work grows linearly, so a step
// that turns quadratic, or keeps more than the document, shows as a jump.
#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "bench/allocation_counter.h"
#include "plugin/extension_api.h"
#include "standin/documents/document_file.h"
#include "standin/documents/record_builder.h"
#include "standin/documents/score_generator.h"
#include "standin/reports/document_diff.h"
#include "standin/reports/document_picture.h"
#include "standin/store/record_layouts.h"
#include "standin/store/selection.h"

namespace {

constexpr int16_t kMenuFixIndent = 1;

// A generated score as the program meets it: the text of its file, and the
// text after Fix Indent has run over it.
struct ScoreTexts {
  std::string before, after;
  size_t records = 0;
};

standin::Selection WholeScore(int factor) {
  standin::Selection selection;
  selection.start_measure = 1;
  selection.end_measure = static_cast<int16_t>(standin::OrchestralShape(factor).measures);
  return selection;
}

// Runs Fix Indent over the whole of `doc`, in process; the module's answer.
int32_t FixIndent(standin::HostDocument& doc, int factor) {
  doc.logging = false;
  standin::SetActiveDocument(&doc);
  QuilloExtensionVersion(doc.host_version);
  const auto selection = WholeScore(factor).Encode();
  const int32_t answer = QuilloExtensionInvoke(nullptr, kMenuFixIndent, selection.data());
  standin::SetActiveDocument(nullptr);
  return answer;
}

const ScoreTexts& Texts(int factor) {
  static std::map<int, std::unique_ptr<ScoreTexts>> cache;
  auto& slot = cache[factor];
  if (!slot) {
    slot = std::make_unique<ScoreTexts>();
    standin::HostDocument doc = standin::GenerateScore(standin::OrchestralShape(factor));
    slot->records = doc.records().size();
    slot->before = standin::DocumentFile::Format(doc);
    FixIndent(doc, factor);
    slot->after = standin::DocumentFile::Format(doc);
  }
  return *slot;
}

bool Read(const std::string& text, standin::HostDocument* doc, benchmark::State& state) {
  std::string error;
  if (standin::DocumentFile::Parse(text, doc, &error)) return true;
  state.SkipWithError(error.c_str());
  return false;
}

// One program step, timed with its peak heap: `step` answers false when it
// failed (having said why).
template <typename Step>
void Measure(benchmark::State& state, int factor, Step step) {
  const ScoreTexts& texts = Texts(factor);
  bench::HeapStats heap;
  double seconds = 0;
  for (auto _ : state) {
    bench::BeginHeapCount();
    const auto start = std::chrono::steady_clock::now();
    const bool ok = step(texts, state);
    const auto stop = std::chrono::steady_clock::now();
    heap = bench::EndHeapCount();
    seconds = std::chrono::duration<double>(stop - start).count();
    state.SetIterationTime(seconds);
    if (!ok) return;
  }
  state.counters["records"] = static_cast<double>(texts.records);
  state.counters["text_MB"] = static_cast<double>(texts.before.size()) / 1e6;
  state.counters["us_per_1k_records"] = seconds * 1e9 / static_cast<double>(texts.records);
  state.counters["peak_heap_per_text_byte"] =
      static_cast<double>(heap.peak_bytes) / static_cast<double>(texts.before.size());
}

void ReadBenchmark(benchmark::State& state, int factor) {
  Measure(state, factor, [](const ScoreTexts& texts, benchmark::State& s) {
    standin::HostDocument doc;
    return Read(texts.before, &doc, s);
  });
}

void ShowBenchmark(benchmark::State& state, int factor) {
  Measure(state, factor, [](const ScoreTexts& texts, benchmark::State& s) {
    standin::HostDocument doc;
    if (!Read(texts.before, &doc, s)) return false;
    size_t drawn = 0;
    standin::DocumentPicture::Render(doc, standin::PictureOptions{},
                                     [&drawn](std::string_view piece) {
                                       drawn += piece.size();
                                       return true;
                                     });
    benchmark::DoNotOptimize(drawn);
    return true;
  });
}

void DiffBenchmark(benchmark::State& state, int factor) {
  Measure(state, factor, [](const ScoreTexts& texts, benchmark::State& s) {
    standin::HostDocument before, after;
    if (!Read(texts.before, &before, s) || !Read(texts.after, &after, s)) return false;
    std::vector<std::string> lines = standin::DocumentDiff::Describe(before, after);
    benchmark::DoNotOptimize(lines.data());
    return true;
  });
}

void RunBenchmark(benchmark::State& state, int factor) {
  Measure(state, factor, [factor](const ScoreTexts& texts, benchmark::State& s) {
    standin::HostDocument doc;
    if (!Read(texts.before, &doc, s)) return false;
    if (FixIndent(doc, factor) != 1) {
      s.SkipWithError("Fix Indent refused");
      return false;
    }
    std::string text = standin::DocumentFile::Format(doc);
    benchmark::DoNotOptimize(text.data());
    return true;
  });
}

// `diff` of a part whose systems all cover one measure range, against
// itself: 1,000 systems at 1x, 16,000 at 16x. Matching systems that begin
// alike must stay linear; the time per thousand systems stays flat.
void SharedRangeDiffBenchmark(benchmark::State& state, int factor) {
  const int systems = 1000 * factor;
  standin::HostDocument doc;
  doc.host_version = standin::kLongMeasuresFrom;
  doc.Put(standin::kPartTag, 0, 0,
          standin::RecordLayouts::Blank(standin::kPartTag, doc.host_version));
  const standin::Bytes system = standin::StaffSystemRecord(doc.host_version, {1, 5});
  for (int number = 1; number <= systems; ++number)
    doc.Put(standin::kStaffSystemTag, static_cast<uint16_t>(number), 0, system, int16_t{0});
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::string> lines = standin::DocumentDiff::Describe(doc, doc);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
    if (!lines.empty()) state.SkipWithError("a document differs from itself");
  }
  state.counters["systems"] = systems;
  state.counters["us_per_1k_systems"] = seconds * 1e9 / systems;
}

// Documents for `diff` in the shapes that once made it quadratic, `count`
// of each thing: measure-number regions that all shrink; systems that are
// empty, against systems of one range; a long chain of systems against many
// systems of one range it does not quite tile; many parts; a document
// against an empty one; one system with a staff list and details of `count`
// staves, against that system cut into `count` one-measure systems that
// each show one of the staves.
struct DiffPair {
  standin::HostDocument before, after;
};

void PutSystem(standin::HostDocument* doc, int part, int number, int first, int end) {
  standin::Bytes system =
      standin::RecordLayouts::Blank(standin::kStaffSystemTag, doc->host_version);
  standin::RecordLayouts::Write(system, standin::kStaffSystemTag, doc->host_version, "firstMeasure",
                                first);
  standin::RecordLayouts::Write(system, standin::kStaffSystemTag, doc->host_version, "endMeasure",
                                end);
  doc->Put(standin::kStaffSystemTag, static_cast<uint16_t>(number), 0, system,
           static_cast<int16_t>(part));
}

void PutRegion(standin::HostDocument* doc, int cmper, int first, int end) {
  standin::Bytes region = standin::RecordLayouts::Blank(standin::kRegionTag, doc->host_version);
  standin::RecordLayouts::Write(region, standin::kRegionTag, doc->host_version, "firstMeasure",
                                first);
  standin::RecordLayouts::Write(region, standin::kRegionTag, doc->host_version, "endMeasure", end);
  doc->Put(standin::kRegionTag, static_cast<uint16_t>(cmper), 0, region);
}

DiffPair DiffShape(const std::string& shape, int count, int factor) {
  DiffPair pair;
  for (standin::HostDocument* doc : {&pair.before, &pair.after}) {
    doc->host_version = standin::kLongMeasuresFrom;
    doc->parts = {0};
  }
  // The longest chain whose measure numbers the records hold.
  const int chain = std::min(count, 30000);
  for (int n = 1; n <= count; ++n) {
    if (shape == "regions") {
      PutRegion(&pair.before, n, 1, 3);
      PutRegion(&pair.after, n, 1, 2);
    } else if (shape == "empty_systems") {
      PutSystem(&pair.before, 0, n, 1, 1);
      PutSystem(&pair.after, 0, n, 1, 5);
    } else if (shape == "chained_systems") {
      PutSystem(&pair.before, 0, n, 1, chain + 2);
      if (n <= chain) PutSystem(&pair.after, 0, n, n, n + 1);
    } else if (shape == "parts" && n <= chain) {
      for (standin::HostDocument* doc : {&pair.before, &pair.after}) {
        if (n > 1) doc->parts.push_back(static_cast<int16_t>(n - 1));
      }
      PutSystem(&pair.before, n - 1, 1, 1, 5);
      PutSystem(&pair.after, n - 1, 1, 1, 6);
    }
  }
  if (shape == "staff_list_split") {
    const uint32_t version = pair.before.host_version;
    PutSystem(&pair.before, 0, 1, 1, count + 1);
    for (int n = 1; n <= count; ++n) {
      const auto staff = static_cast<uint16_t>(n);
      pair.before.Put(standin::kSystemStaffTag, 1, static_cast<uint16_t>(n - 1),
                      standin::SystemStaffRecord(version, n), int16_t{0});
      pair.before.Put(standin::kStaffDetailTag, 1, staff, standin::StaffDetailRecord(version, n),
                      int16_t{0});
      PutSystem(&pair.after, 0, n, n, n + 1);
      pair.after.Put(standin::kSystemStaffTag, staff, 0, standin::SystemStaffRecord(version, n),
                     int16_t{0});
      pair.after.Put(standin::kStaffDetailTag, staff, staff,
                     standin::StaffDetailRecord(version, n + 1), int16_t{0});
    }
  }
  if (shape == "against_empty") {
    // The orchestral score of the same factor, against nothing.
    std::string error;
    standin::DocumentFile::Parse(Texts(factor).before, &pair.after, &error);
  }
  return pair;
}

// `diff` of each shape both ways, `count` of each thing: the time, the
// output and the peak heap per thousand stay flat from size to size when
// every step is linear or n log n.
void DiffShapeBenchmark(benchmark::State& state, const std::string& shape, int count, int factor) {
  DiffPair pair = DiffShape(shape, count, factor);
  double seconds = 0;
  size_t lines = 0, bytes = 0;
  bench::HeapStats heap;
  for (auto _ : state) {
    bench::BeginHeapCount();
    const auto start = std::chrono::steady_clock::now();
    lines = 0;
    bytes = 0;
    for (const auto& [x, y] : {std::pair{&pair.before, &pair.after}, {&pair.after, &pair.before}}) {
      for (const std::string& line : standin::DocumentDiff::Describe(*x, *y)) {
        ++lines;
        bytes += line.size() + 1;
      }
    }
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    heap = bench::EndHeapCount();
    state.SetIterationTime(seconds);
  }
  if (lines == 0) state.SkipWithError("the documents of a shape did not differ");
  const double thousands = count / 1000.0;
  state.counters["count"] = count;
  state.counters["us_per_1k"] = seconds * 1e6 / thousands;
  state.counters["out_bytes_per_1k"] = static_cast<double>(bytes) / thousands;
  state.counters["peak_heap_KB_per_1k"] = static_cast<double>(heap.peak_bytes) / 1e3 / thousands;
}

// Registered before the benchmark program's main runs: one iteration each
// (the smoke run included), at 1x and 16x, and the shapes of `diff` at
// three sizes.
int Register() {
  const std::pair<const char*, void (*)(benchmark::State&, int)> steps[] = {{"read", ReadBenchmark},
                                                                            {"show", ShowBenchmark},
                                                                            {"diff", DiffBenchmark},
                                                                            {"run", RunBenchmark}};
  for (int factor : {1, 16}) {
    for (const auto& [name, function] : steps) {
      benchmark::RegisterBenchmark(
          ("Program/" + std::string(name) + "/" + std::to_string(factor) + "x").c_str(), function,
          factor)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond)
          ->Iterations(1);
    }
    benchmark::RegisterBenchmark(
        ("Program/diff_shared_range/" + std::to_string(factor) + "x").c_str(),
        SharedRangeDiffBenchmark, factor)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
  }
  // Each shape at three sizes: 4,096, 16,384 and 65,535 of each thing (a
  // chain and the parts stop at 30,000), the split staff list at 1,000,
  // 2,000 and 4,000 staves.
  for (int factor : {1, 4, 16}) {
    for (const char* shape : {"regions", "empty_systems", "chained_systems", "parts",
                              "against_empty", "staff_list_split"}) {
      const bool staves = std::string(shape) == "staff_list_split";
      const int count = staves ? 1000 * (factor == 16  ? 4
                                         : factor == 4 ? 2
                                                       : 1)
                               : (factor == 1   ? 4096
                                  : factor == 4 ? 16384
                                                : 65535);
      benchmark::RegisterBenchmark(("Program/diff_" + std::string(shape) + "/" +
                                    (staves ? std::to_string(count) : std::to_string(factor) + "x"))
                                       .c_str(),
                                   [shape, count](benchmark::State& state, int f) {
                                     DiffShapeBenchmark(state, shape, count, f);
                                   },
                                   factor)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond)
          ->Iterations(1);
    }
  }
  return 0;
}

const int kRegistered = Register();

}  // namespace
