// The bundled examples, checked as files against the host's layouts and
// against what each example says it is, not against the code that wrote them;
// and the list of examples against the ranges of record layouts.
#include "standin/documents/example_documents.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "standin/documents/document_file.h"
#include "standin/documents/text_file.h"
#include "standin/store/record_layouts.h"

namespace {

using namespace standin;

const std::filesystem::path kExamples = std::filesystem::path(QUILLO_SOURCE_DIR) / "examples";

std::string Hex(uint32_t version) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(version));
  return text;
}

// What an example says of itself (example_documents.h): where the next piece
// is to begin, the measures that already begin one, whether rests are split.
struct Said {
  int next_piece;
  std::vector<int> started;
  bool rests_split;
};

Said WhatItSays(const std::string& name) {
  if (name == "suite") return {13, {29}, true};
  if (name == "three-parts") return {9, {}, false};
  return {9, {}, true};  // host-XXXXXXXX
}

HostDocument LoadExample(const std::string& name) {
  HostDocument doc;
  std::string error;
  EXPECT_TRUE(DocumentFile::Load((kExamples / (name + ".json")).string(), &doc, &error))
      << "examples/" << name << ".json: " << error << " (write it with: quillo example " << name
      << " -o examples/" << name << ".json)";
  return doc;
}

// Every range of layouts has an example, and every example its file, holding
// the records the builder makes.
TEST(ExampleDocumentsTest, EveryRangeOfLayoutsHasAnExampleAndEveryExampleAFile) {
  const std::vector<std::string> names = ExampleDocuments::Names();
  std::string call_logs;
  std::string error;
  ASSERT_TRUE(ReadTextFile(QUILLO_SOURCE_DIR "/bench/call_logs.json", &call_logs, &error)) << error;
  std::vector<uint32_t> versions;
  for (const std::string& name : names) {
    // Only the release build compares the logs; a missing one is found here.
    EXPECT_NE(call_logs.find("\"example/" + name + "\""), std::string::npos)
        << "bench/call_logs.json has no call log of examples/" << name
        << ".json: record it with quillo_call_logs --sizes 1,4,16 --record --digests "
           "bench/call_logs.json (release build)";
    HostDocument doc;
    ASSERT_TRUE(ExampleDocuments::Build(name, &doc));
    versions.push_back(doc.host_version);
    if (!std::filesystem::exists(kExamples / (name + ".json"))) {
      ADD_FAILURE() << "examples/" << name << ".json is missing: write it with quillo example "
                    << name << " -o examples/" << name << ".json";
      continue;
    }
    EXPECT_TRUE(LoadExample(name).records() == doc.records())
        << "examples/" << name << ".json is not what the builder makes: regenerate it (README)";
  }
  const std::vector<uint32_t> starts = RecordLayouts::LayoutRangeStarts();
  for (size_t i = 0; i < starts.size(); ++i) {
    const uint64_t end = i + 1 < starts.size() ? starts[i + 1] : uint64_t{1} << 32;
    EXPECT_TRUE(std::any_of(versions.begin(), versions.end(),
                            [&](uint32_t v) { return v >= starts[i] && v < end; }))
        << "no example at host versions " << Hex(starts[i]) << " to below "
        << (end >> 32 ? std::string("any later one") : Hex(static_cast<uint32_t>(end)))
        << ": ExampleDocuments::Names() must give that range an example";
  }
  for (const auto& entry : std::filesystem::directory_iterator(kExamples)) {
    const std::string name = entry.path().stem().string();
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end())
        << "examples/" << name << ".json is not one of ExampleDocuments::Names()";
  }
}

// Every record of an example file has its version's layout size, and the
// fields that the commands read hold what the example says.
TEST(ExampleDocumentsTest, EveryExampleFileHoldsWhatTheExampleSaysInItsVersionsLayouts) {
  for (const std::string& name : ExampleDocuments::Names()) {
    SCOPED_TRACE(name);
    const HostDocument doc = LoadExample(name);
    for (const auto& [key, bytes] : doc.records()) {
      ASSERT_TRUE(RecordLayouts::Exists(key.tag, doc.host_version))
          << name << ": " << TagName(key.tag);
      const RecordLayout& layout = RecordLayouts::Find(key.tag, doc.host_version);
      EXPECT_EQ(bytes.size(), layout.size)
          << name << ": " << layout.description << " " << key.cmper << "/" << key.inci
          << " at host version " << Hex(doc.host_version);
    }
    const uint32_t v = doc.host_version;
    const Said said = WhatItSays(name);
    auto read = [&](const Bytes* bytes, uint32_t tag, const char* field) {
      return bytes == nullptr ? -1 : RecordLayouts::Read(*bytes, tag, v, field).value_or(-1);
    };
    auto flags = [&](int measure, const char* field) {
      return read(doc.Find(kMeasureTag, static_cast<uint16_t>(measure), 0), kMeasureTag, field);
    };
    auto starts_piece = [&](int m) {
      return (flags(m, "measureFlags1") & kPieceStartFlag1) != 0 &&
             (flags(m, "measureFlags2") & kPieceStartFlag2) != 0;
    };
    int measures = 0;
    while (doc.Find(kMeasureTag, static_cast<uint16_t>(measures + 1), 0) != nullptr) ++measures;
    ASSERT_GT(measures, said.next_piece);

    for (int m = 1; m <= measures; ++m) {
      const bool started = std::count(said.started.begin(), said.started.end(), m) > 0;
      const bool ended = std::count(said.started.begin(), said.started.end(), m + 1) > 0;
      EXPECT_EQ(starts_piece(m), started) << "piece start at measure " << m;
      EXPECT_EQ((flags(m, "measureFlags1") & kPieceEndFlag1) != 0, ended)
          << "piece end at measure " << m;
      if (started && v >= kPieceMarksFrom) {
        EXPECT_NE(flags(m, "measureFlags1") & kPieceStartMarkFlag1, 0) << "mark at " << m;
      }
    }

    // In every part the systems follow each other from measure 1 to the end,
    // each with its frozen-system record and a staff list; some system runs
    // across the next piece's start, and each started piece begins one.
    bool across_next = false;
    for (int16_t part : doc.parts) {
      SCOPED_TRACE("part " + std::to_string(part));
      int expected_first = 1;
      std::set<int> firsts;
      for (uint16_t n = 1;; ++n) {
        const Bytes* system = doc.Find(kStaffSystemTag, n, 0, part);
        if (system == nullptr) break;
        const int first = read(system, kStaffSystemTag, "firstMeasure");
        const int end = read(system, kStaffSystemTag, "endMeasure");
        EXPECT_EQ(first, expected_first) << "system " << n;
        EXPECT_GT(end, first) << "system " << n;
        const Bytes* frozen = doc.Find(kFrozenSystemTag, static_cast<uint16_t>(first), 0, part);
        EXPECT_EQ(read(frozen, kFrozenSystemTag, "endMeasure"), end) << "frozen system " << first;
        EXPECT_NE(doc.Find(kSystemStaffTag, n, 0, part), nullptr) << "staff list of system " << n;
        across_next |= first < said.next_piece && said.next_piece < end;
        firsts.insert(first);
        expected_first = end;
      }
      EXPECT_EQ(expected_first, measures + 1) << "the systems end before the last measure";
      for (int m : said.started) EXPECT_EQ(firsts.count(m), 1u) << "a system begins at " << m;
    }
    EXPECT_TRUE(across_next) << "no system runs across measure " << said.next_piece;

    // The measure-number regions cover every measure once; each started
    // piece begins one.
    std::map<int, int> covered;
    std::set<int> region_firsts;
    for (const auto& [key, bytes] : doc.records()) {
      if (key.tag != kRegionTag) continue;
      const int first = read(&bytes, kRegionTag, "firstMeasure");
      const int end = read(&bytes, kRegionTag, "endMeasure");
      region_firsts.insert(first);
      for (int m = std::max(first, 0); m < end && m <= measures; ++m) ++covered[m];
    }
    for (int m = 1; m <= measures; ++m) EXPECT_EQ(covered[m], 1) << "regions over measure " << m;
    for (int m : said.started) EXPECT_EQ(region_firsts.count(m), 1u) << "a region begins at " << m;

    const Bytes* gate = doc.Find(kSplitGateSettingTag, kSettingCmper, 0);
    ASSERT_NE(gate, nullptr);
    EXPECT_EQ(RecordLayouts::Read(*gate, kSplitGateSettingTag, v, "words", kSplitGateWord) == 0,
              said.rests_split);
  }
}

}  // namespace
