#include "standin/documents/score_generator.h"

#include <algorithm>
#include <random>

#include "standin/store/record_layouts.h"

namespace standin {
namespace {

// Records are sized and their fields placed by the host's own layouts
// (RecordLayouts); the generator only chooses values.

// The size of a `tag` record at `version`.
size_t SizeOf(uint32_t tag, uint32_t version) {
  return RecordLayouts::Find(tag, version)->size;
}

void Set(Bytes& bytes, uint32_t tag, uint32_t version, const char* field, int value,
         size_t index = 0) {
  RecordLayouts::Write(bytes, tag, version, field, value, index);
}

int Get(const Bytes& bytes, uint32_t tag, uint32_t version, const char* field) {
  return RecordLayouts::Read(bytes, tag, version, field).value_or(0);
}

class Writer {
 public:
  explicit Writer(uint32_t seed) : random_(seed) {}

  Bytes Noise(size_t size) {
    Bytes bytes(size);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random_() & 0xFF);
    return bytes;
  }
  int Between(int low, int high) {
    return low + static_cast<int>(random_() % static_cast<uint32_t>(std::max(1, high - low + 1)));
  }

 private:
  std::mt19937 random_;
};

void AddSystems(HostDocument& doc, Writer& w, uint32_t v, int16_t part, int measures, int min_len,
                int max_len, int staves, int detail_every, int first_staff,
                ScoreShape::OwnStaffLists own_lists) {
  int first = 1;
  uint16_t number = 1;
  int entry = 0;
  while (first <= measures) {
    int end = std::min(measures + 1, first + w.Between(min_len, max_len));
    Bytes system = w.Noise(SizeOf(kStaffSystemTag, v));
    Set(system, kStaffSystemTag, v, "indent", w.Between(0, 3) * 24);
    Set(system, kStaffSystemTag, v, "firstMeasure", first);
    // systemFlags 0x4000: the system keeps a staff list of its own. A drawn
    // flag keeps the bit of the noise, so that it differs from system to
    // system without another draw.
    const int flags = Get(system, kStaffSystemTag, v, "systemFlags");
    if (own_lists != ScoreShape::OwnStaffLists::kDrawn) {
      const bool own = own_lists == ScoreShape::OwnStaffLists::kEvery;
      Set(system, kStaffSystemTag, v, "systemFlags", own ? flags | 0x4000 : flags & ~0x4000);
    }
    Set(system, kStaffSystemTag, v, "endMeasure", end);
    doc.Put(kStaffSystemTag, number, 0, system, part);

    Bytes freeze = w.Noise(SizeOf(kFrozenSystemTag, v));
    Set(freeze, kFrozenSystemTag, v, "endMeasure", end);
    doc.Put(kFrozenSystemTag, static_cast<uint16_t>(first), 0, freeze, part);

    for (int s = 0; s < staves; ++s) {
      Bytes staff = w.Noise(SizeOf(kSystemStaffTag, v));
      const int staff_id = first_staff + s;
      Set(staff, kSystemStaffTag, v, "staff", staff_id);
      doc.Put(kSystemStaffTag, number, static_cast<uint16_t>(s), staff, part);
      if (detail_every > 0 && ++entry % detail_every == 0) {
        Bytes detail(SizeOf(kStaffDetailTag, v), 0);
        Set(detail, kStaffDetailTag, v, "detailValue", w.Between(50, 99));
        doc.Put(kStaffDetailTag, number, static_cast<uint16_t>(staff_id), detail, part);
      }
    }
    first = end;
    ++number;
  }
}

void AddRests(HostDocument& doc, Writer& w, uint32_t v, int16_t part, int measures, int count) {
  if (count <= 0 || measures < 2) return;
  const int slice = std::max(2, measures / count);
  for (int r = 0; r < count; ++r) {
    int from = 1 + r * slice + w.Between(0, slice / 3);
    int to = std::min(measures + 1, from + w.Between(2, std::max(2, slice - slice / 3)));
    if (from >= measures || to <= from + 1) continue;
    Bytes rest = w.Noise(SizeOf(kRestTag, v));
    WriteWord(rest, 0, 300);  // an uninterpreted word that new rests carry
    Set(rest, kRestTag, v, "endMeasure", to);
    doc.Put(kRestTag, static_cast<uint16_t>(from), 0, rest, part);
  }
}

}  // namespace

HostDocument GenerateScore(const ScoreShape& shape) {
  HostDocument doc;
  Writer w(shape.seed);
  const uint32_t v = shape.host_version;
  doc.host_version = v;
  doc.parts.clear();
  for (int p = 0; p < shape.parts; ++p) {
    doc.parts.push_back(static_cast<int16_t>(p));
    doc.Put(kPartTag, static_cast<uint16_t>(p), 0, w.Noise(SizeOf(kPartTag, v)));
  }
  doc.current_part = 0;

  for (int m = 1; m <= shape.measures; ++m) {
    Bytes measure = w.Noise(SizeOf(kMeasureTag, v));
    // No measure starts or ends a piece yet.
    const int flags1 = Get(measure, kMeasureTag, v, "measureFlags1");
    const int flags2 = Get(measure, kMeasureTag, v, "measureFlags2");
    Set(measure, kMeasureTag, v, "measureFlags1",
        flags1 & ~(kPieceStartFlag1 | kPieceStartMarkFlag1 | kPieceEndFlag1));
    Set(measure, kMeasureTag, v, "measureFlags2", flags2 & ~kPieceStartFlag2);
    doc.Put(kMeasureTag, static_cast<uint16_t>(m), 0, measure);
  }

  std::vector<int> starts = shape.movement_starts;
  std::sort(starts.begin(), starts.end());
  for (size_t i = 0; i < starts.size(); ++i) {
    int end = i + 1 < starts.size() ? starts[i + 1] : shape.measures + 1;
    Bytes region = w.Noise(SizeOf(kRegionTag, v));
    Set(region, kRegionTag, v, "firstMeasure", starts[i]);
    Set(region, kRegionTag, v, "endMeasure", end);
    doc.Put(kRegionTag, static_cast<uint16_t>(shape.first_region_number + i), 0, region);
  }

  for (int p = 0; p < shape.parts; ++p) {
    const bool score = p == 0;
    AddSystems(doc, w, v, static_cast<int16_t>(p), shape.measures,
               score ? shape.score_system_min : shape.part_system_min,
               score ? shape.score_system_max : shape.part_system_max,
               score ? shape.score_staves : 1, shape.detail_every, score ? 1 : p,
               shape.own_staff_lists);
    if (!score) AddRests(doc, w, v, static_cast<int16_t>(p), shape.measures, shape.rests_per_part);
  }

  doc.Put(kRestSettingsTag, kSettingCmper, 0, w.Noise(SizeOf(kRestSettingsTag, v)));
  doc.Put(kRestSettingsTag, kSettingCmper, 1, w.Noise(SizeOf(kRestSettingsTag, v)));
  Bytes gate = w.Noise(SizeOf(kSplitGateSettingTag, v));
  Set(gate, kSplitGateSettingTag, v, "words", shape.split_gate, kSplitGateWord);
  doc.Put(kSplitGateSettingTag, kSettingCmper, 0, gate);
  return doc;
}

ScoreShape OrchestralShape(int factor) {
  ScoreShape shape;
  shape.parts = 41;
  shape.measures = 2000 * factor;
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

}  // namespace standin
