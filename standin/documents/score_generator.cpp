#include "standin/documents/score_generator.h"

#include <algorithm>
#include <random>

namespace standin {
namespace {

// Host record layouts as the generator writes them (little-endian).
constexpr uint32_t kPartTag = MakeTag("otpD");
constexpr uint32_t kMeasureTag = MakeTag("SOMS");
constexpr uint32_t kSystemTag = MakeTag("SOSS");
constexpr uint32_t kStaffTag = MakeTag("SOIu");
constexpr uint32_t kDetailTag = MakeTag("dtLP");
constexpr uint32_t kFreezeTag = MakeTag("otFM");
constexpr uint32_t kRegionTag = MakeTag("SOMN");
constexpr uint32_t kRestTag = 0x4F025849;
constexpr uint32_t kSettingTag25 = MakeTag("ot25");
constexpr uint32_t kSettingTag83 = MakeTag("ot83");
constexpr uint16_t kSettingCmper = 0xFFFE;

struct RegionLayout {
  size_t size, first, end, cleared;
};

RegionLayout RegionLayoutFor(uint32_t version) {
  if (version >= 0x11000000) return {350, 140, 142, 150};
  if (version >= 0x0F000000) return {196, 132, 134, 140};
  return {88, 6, 8, 16};
}

class Writer {
 public:
  explicit Writer(uint32_t seed) : random_(seed) {}

  Bytes Noise(size_t size) {
    Bytes bytes(size);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random_() & 0xFF);
    return bytes;
  }
  static void Put16(Bytes& bytes, size_t offset, int value) {
    bytes[offset] = static_cast<uint8_t>(value & 0xFF);
    bytes[offset + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
  }
  int Between(int low, int high) {
    return low + static_cast<int>(random_() % static_cast<uint32_t>(std::max(1, high - low + 1)));
  }

 private:
  std::mt19937 random_;
};

void AddSystems(HostDocument& doc, Writer& w, int16_t part, int measures, int min_len, int max_len,
                int staves, int detail_every, int first_staff, bool own_lists) {
  int first = 1;
  uint16_t number = 1;
  int entry = 0;
  while (first <= measures) {
    int end = std::min(measures + 1, first + w.Between(min_len, max_len));
    Bytes system = w.Noise(28);
    Writer::Put16(system, 2, w.Between(0, 3) * 24);  // indent
    Writer::Put16(system, 8, first);
    // systemFlags 0x4000: the system keeps a staff list of its own.
    system[11] = static_cast<uint8_t>(own_lists ? system[11] | 0x40 : system[11] & ~0x40);
    Writer::Put16(system, 12, end);
    doc.Put(kSystemTag, number, 0, system, part);

    Bytes freeze = w.Noise(12);
    Writer::Put16(freeze, 0, end);
    doc.Put(kFreezeTag, static_cast<uint16_t>(first), 0, freeze, part);

    for (int s = 0; s < staves; ++s) {
      Bytes staff = w.Noise(24);
      const int staff_id = first_staff + s;
      Writer::Put16(staff, 0, staff_id);
      doc.Put(kStaffTag, number, static_cast<uint16_t>(s), staff, part);
      if (detail_every > 0 && ++entry % detail_every == 0) {
        Bytes detail(10, 0);
        Writer::Put16(detail, 0, w.Between(50, 99));
        doc.Put(kDetailTag, number, static_cast<uint16_t>(staff_id), detail, part);
      }
    }
    first = end;
    ++number;
  }
}

void AddRests(HostDocument& doc, Writer& w, int16_t part, int measures, int count) {
  if (count <= 0 || measures < 2) return;
  const int slice = std::max(2, measures / count);
  for (int r = 0; r < count; ++r) {
    int from = 1 + r * slice + w.Between(0, slice / 3);
    int to = std::min(measures + 1, from + w.Between(2, std::max(2, slice - slice / 3)));
    if (from >= measures || to <= from + 1) continue;
    Bytes rest = w.Noise(24);
    Writer::Put16(rest, 0, 300);
    Writer::Put16(rest, 2, to);
    doc.Put(kRestTag, static_cast<uint16_t>(from), 0, rest, part);
  }
}

}  // namespace

HostDocument GenerateScore(const ScoreShape& shape) {
  HostDocument doc;
  Writer w(shape.seed);
  doc.host_version = shape.host_version;
  doc.parts.clear();
  for (int p = 0; p < shape.parts; ++p) {
    doc.parts.push_back(static_cast<int16_t>(p));
    doc.Put(kPartTag, static_cast<uint16_t>(p), 0, w.Noise(12));
  }
  doc.current_part = 0;

  const size_t measure_size = shape.host_version >= 0x12000000 ? 30 : 26;
  const size_t flags1 = shape.host_version >= 0x12000000 ? 12 : 8;
  for (int m = 1; m <= shape.measures; ++m) {
    Bytes measure = w.Noise(measure_size);
    // No measure starts or ends a piece yet.
    measure[flags1 + 1] = static_cast<uint8_t>(measure[flags1 + 1] & ~0xC8);
    measure[flags1 + 3] = static_cast<uint8_t>(measure[flags1 + 3] & ~0x80);
    doc.Put(kMeasureTag, static_cast<uint16_t>(m), 0, measure);
  }

  const RegionLayout region = RegionLayoutFor(shape.host_version);
  std::vector<int> starts = shape.movement_starts;
  std::sort(starts.begin(), starts.end());
  for (size_t i = 0; i < starts.size(); ++i) {
    int end = i + 1 < starts.size() ? starts[i + 1] : shape.measures + 1;
    Bytes bytes = w.Noise(region.size);
    Writer::Put16(bytes, region.first, starts[i]);
    Writer::Put16(bytes, region.end, end);
    doc.Put(kRegionTag, static_cast<uint16_t>(i + 1), 0, bytes);
  }

  for (int p = 0; p < shape.parts; ++p) {
    const bool score = p == 0;
    AddSystems(doc, w, static_cast<int16_t>(p), shape.measures,
               score ? shape.score_system_min : shape.part_system_min,
               score ? shape.score_system_max : shape.part_system_max,
               score ? shape.score_staves : 1, shape.detail_every, score ? 1 : p,
               shape.own_staff_lists);
    if (!score) AddRests(doc, w, static_cast<int16_t>(p), shape.measures, shape.rests_per_part);
  }

  doc.Put(kSettingTag25, kSettingCmper, 0, w.Noise(12));
  doc.Put(kSettingTag25, kSettingCmper, 1, w.Noise(12));
  Bytes gate = w.Noise(12);
  Writer::Put16(gate, 8, shape.split_gate);
  doc.Put(kSettingTag83, kSettingCmper, 0, gate);
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
