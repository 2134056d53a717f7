#include "standin/documents/score_generator.h"

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <utility>

#include "standin/documents/record_builder.h"
#include "standin/store/record_layouts.h"

namespace standin {
namespace {

// Records are sized, and their fields and flags placed, by the host's own
// layouts (RecordLayouts); the generator only chooses values. The shape of
// the score (how many systems, where they and the rests begin and end) comes
// from one sequence of draws. Everything else comes from draws keyed by the
// seed, the record's address and, for a field or flag, its name: the bytes
// the layout leaves unnamed from the record's own stream, each field and
// flag that the host gives a meaning from a range that means something.
// So a field or flag newly named in the layouts changes only its own bytes,
// and the score's shape never moves.

uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

uint64_t Mix(uint64_t key, std::string_view name) {
  uint64_t hash = 0xCBF29CE484222325ull;  // FNV-1a
  for (char c : name) hash = (hash ^ static_cast<uint8_t>(c)) * 0x100000001B3ull;
  return Mix(key ^ hash);
}

// The draws of one record.
class RecordDraws {
 public:
  RecordDraws(uint32_t seed, uint32_t tag, int16_t part, uint16_t cmper, uint16_t inci)
      : key_(Mix(Mix(Mix(seed) ^ tag) ^
                 (uint64_t{static_cast<uint16_t>(part)} << 32 | uint64_t{cmper} << 16 | inci))) {}

  // The record's filler: `size` bytes of its own stream.
  Bytes Filler(size_t size) const {
    Bytes bytes(size);
    uint64_t state = key_;
    for (size_t i = 0; i < size; i += 8) {
      state = Mix(state);
      for (size_t b = 0; b < 8 && i + b < size; ++b)
        bytes[i + b] = static_cast<uint8_t>(state >> (8 * b));
    }
    return bytes;
  }
  // A value from `low` to `high` for the field or flag `name`.
  int Between(std::string_view name, int low, int high) const {
    const auto span = static_cast<uint64_t>(std::max(1, high - low + 1));
    return low + static_cast<int>(Mix(key_, name) % span);
  }
  bool Coin(std::string_view name) const { return Between(name, 0, 1) == 1; }

 private:
  uint64_t key_;
};

// A record of `tag` at (part, cmper, inci) as the host would make it anew,
// its unnamed bytes from the filler and every flag that means something at
// `version` drawn; the caller sets the fields and pins the flags the score's
// shape decides.
RecordBuilder Drawn(uint32_t seed, uint32_t tag, uint32_t version, int16_t part, uint16_t cmper,
                    uint16_t inci) {
  const RecordDraws draws(seed, tag, part, cmper, inci);
  Bytes bytes = draws.Filler(RecordLayouts::Find(tag, version).size);
  for (const NewRecordWord& word : RecordLayouts::Find(tag, version).new_record)
    WriteWord(bytes, word.offset, word.value);
  RecordBuilder record(tag, version, std::move(bytes));
  for (const FlagLayout& flag : RecordLayouts::Flags()) {
    if (flag.tag == tag && flag.MeansSomethingAt(version))
      record.Flag(flag.field, flag.name, draws.Coin(std::string(flag.field) + "." + flag.name));
  }
  return record;
}

class Shaper {
 public:
  explicit Shaper(uint32_t seed) : random_(seed) {}
  int Between(int low, int high) {
    return low + static_cast<int>(random_() % static_cast<uint32_t>(std::max(1, high - low + 1)));
  }

 private:
  std::mt19937 random_;
};

struct PartPlan {
  int16_t part;
  int min_len;
  int max_len;
  int staves;
  int first_staff;
};

void AddSystems(HostDocument& doc, Shaper& shaper, const ScoreShape& shape, const PartPlan& plan) {
  const uint32_t v = shape.host_version;
  const int16_t part = plan.part;
  int first = 1;
  uint16_t number = 1;
  int entry = 0;
  while (first <= shape.measures) {
    const int end =
        std::min(shape.measures + 1, first + shaper.Between(plan.min_len, plan.max_len));
    const RecordDraws draws(shape.seed, kStaffSystemTag, part, number, 0);
    RecordBuilder system = Drawn(shape.seed, kStaffSystemTag, v, part, number, 0);
    system.Set("indent", draws.Between("indent", 0, 3) * 24)
        .Set("firstMeasure", first)
        .Set("endMeasure", end);
    // A system keeps a staff list of its own: none, every one, or each one
    // as drawn (whether or not the host reads the flag at this version).
    if (shape.own_staff_lists != ScoreShape::OwnStaffLists::kDrawn)
      system.Flag("systemFlags", "ownStaffList",
                  shape.own_staff_lists == ScoreShape::OwnStaffLists::kEvery);
    else
      system.Flag("systemFlags", "ownStaffList", draws.Coin("systemFlags.ownStaffList"));
    doc.Put(kStaffSystemTag, number, 0, system, part);

    const auto frozen_at = static_cast<uint16_t>(first);
    doc.Put(kFrozenSystemTag, frozen_at, 0,
            Drawn(shape.seed, kFrozenSystemTag, v, part, frozen_at, 0).Set("endMeasure", end),
            part);

    // The list's staves and entry numbers: the part's staves in order, or
    // drawn for this system alone.
    std::vector<std::pair<int, uint16_t>> list;  // staff, entry number
    if (!shape.drawn_staff_lists) {
      for (int s = 0; s < plan.staves; ++s)
        list.emplace_back(plan.first_staff + s, static_cast<uint16_t>(s));
    } else {
      const int pool = plan.staves + 1;
      const int turn = draws.Between("staves.turn", 0, pool - 1);
      int inci = draws.Between("staves.first", 0, 3) == 0 ? 1 : 0;
      for (int s = 0; s < pool; ++s) {
        const std::string key = "staves." + std::to_string(s);
        if (draws.Between(key, 0, 3) == 0) continue;
        list.emplace_back(plan.first_staff + (s + turn) % pool, static_cast<uint16_t>(inci));
        inci += draws.Between(key + ".gap", 0, 3) == 0 ? 2 : 1;
      }
    }
    for (const auto& [staff, inci] : list) {
      doc.Put(kSystemStaffTag, number, inci,
              Drawn(shape.seed, kSystemStaffTag, v, part, number, inci).Set("staff", staff), part);
      if (shape.detail_every > 0 && ++entry % shape.detail_every == 0) {
        const auto staff_key = static_cast<uint16_t>(staff);
        const RecordDraws detail(shape.seed, kStaffDetailTag, part, number, staff_key);
        doc.Put(kStaffDetailTag, number, staff_key,
                Drawn(shape.seed, kStaffDetailTag, v, part, number, staff_key)
                    .Set("detailValue", detail.Between("detailValue", 50, 99)),
                part);
      }
    }
    first = end;
    ++number;
  }
}

void AddRests(HostDocument& doc, Shaper& shaper, const ScoreShape& shape, int16_t part) {
  const int count = shape.rests_per_part, measures = shape.measures;
  if (count <= 0 || measures < 2) return;
  const int slice = std::max(2, measures / count);
  for (int r = 0; r < count; ++r) {
    int from = 1 + r * slice + shaper.Between(0, slice / 3);
    int to = std::min(measures + 1, from + shaper.Between(2, std::max(2, slice - slice / 3)));
    if (from >= measures || to <= from + 1) continue;
    const auto at = static_cast<uint16_t>(from);
    doc.Put(kRestTag, at, 0,
            Drawn(shape.seed, kRestTag, shape.host_version, part, at, 0).Set("endMeasure", to),
            part);
  }
}

// The records of every kind that the record table lists one by one (kinds
// this generator has no code of its own for), where the host keeps them at
// the shape's version: each possible record present or not as drawn, its
// bytes and flags drawn as for any record and its text fields drawn as
// letters. Records by measure may sit at any measure, others take the
// first few numbers (a setting, its one address), so that documents hold
// both a record where a command looks and none.
void AddListedKinds(HostDocument& doc, const ScoreShape& shape) {
  constexpr int kNumbers = 4;
  const uint32_t v = shape.host_version;
  for (const RecordKind& kind : RecordLayouts::Kinds()) {
    if (kind.report != Report::kListed || !RecordLayouts::Exists(kind.tag, v)) continue;
    std::vector<std::pair<uint16_t, uint16_t>> addresses;
    if (kind.addressing == Addressing::kSetting) addresses.emplace_back(kSettingCmper, 0);
    const int count = kind.addressing == Addressing::kByMeasure ? shape.measures : kNumbers;
    const int incis = kind.addressing == Addressing::kByNumberAndInci ? kNumbers : 1;
    for (int c = 1; kind.addressing != Addressing::kSetting && c <= count; ++c) {
      for (int i = 0; i < incis; ++i)
        addresses.emplace_back(static_cast<uint16_t>(c), static_cast<uint16_t>(i));
    }
    std::vector<int16_t> parts{0};
    if (kind.part_scoped) parts = doc.parts;
    for (int16_t part : parts) {
      for (const auto& [cmper, inci] : addresses) {
        const RecordDraws draws(shape.seed, kind.tag, part, cmper, inci);
        if (!draws.Coin("present")) continue;
        RecordBuilder record = Drawn(shape.seed, kind.tag, v, part, cmper, inci);
        for (const FieldLayout& field : RecordLayouts::Find(kind.tag, v).fields) {
          if (field.kind != FieldKind::kText) continue;
          std::string text(
              static_cast<size_t>(draws.Between(field.name, 0, static_cast<int>(field.count))),
              'a');
          for (size_t k = 0; k < text.size(); ++k)
            text[k] = static_cast<char>('a' + draws.Between(field.name + std::to_string(k), 0, 25));
          record.Text(field.name, text);
        }
        doc.Put(kind.tag, cmper, inci, record, part);
      }
    }
  }
}

}  // namespace

HostDocument GenerateScore(const ScoreShape& shape) {
  HostDocument doc;
  Shaper shaper(shape.seed);
  const uint32_t v = shape.host_version;
  const uint32_t seed = shape.seed;
  doc.host_version = v;
  doc.parts.clear();
  for (int p = 0; p < shape.parts; ++p) {
    const auto part = static_cast<int16_t>(p);
    doc.parts.push_back(part);
    const RecordDraws draws(seed, kPartTag, 0, static_cast<uint16_t>(p), 0);
    if (shape.drawn_missing_part_records && draws.Between("missing", 0, 3) == 0) continue;
    doc.Put(kPartTag, static_cast<uint16_t>(p), 0,
            Drawn(seed, kPartTag, v, 0, static_cast<uint16_t>(p), 0));
  }
  doc.current_part = 0;

  for (int m = 1; m <= shape.measures; ++m) {
    // No measure starts or ends a piece yet. A mark the host does not read
    // at this version keeps its drawn bits, as the host keeps them.
    const auto number = static_cast<uint16_t>(m);
    RecordBuilder measure = Drawn(seed, kMeasureTag, v, 0, number, 0);
    for (const auto& [field, mark] :
         {std::pair{"measureFlags1", "pieceStart"}, std::pair{"measureFlags1", "pieceStartMark"},
          std::pair{"measureFlags1", "pieceEnd"}, std::pair{"measureFlags2", "pieceStart"}}) {
      if (RecordLayouts::Flag(kMeasureTag, field, mark).MeansSomethingAt(v))
        measure.Flag(field, mark, false);
    }
    doc.Put(kMeasureTag, number, 0, measure);
  }

  std::vector<int> starts = shape.movement_starts;
  std::sort(starts.begin(), starts.end());
  for (size_t i = 0; i < starts.size(); ++i) {
    const int end = i + 1 < starts.size() ? starts[i + 1] : shape.measures + 1;
    const auto number = static_cast<uint16_t>(shape.first_region_number + i);
    const RecordDraws draws(seed, kRegionTag, 0, number, 0);
    doc.Put(kRegionTag, number, 0,
            Drawn(seed, kRegionTag, v, 0, number, 0)
                .Set("firstMeasure", starts[i])
                .Set("endMeasure", end)
                .Set("clearedOnSplit", draws.Between("clearedOnSplit", 0, 1)));
  }

  for (int p = 0; p < shape.parts; ++p) {
    const bool score = p == 0;
    const auto part = static_cast<int16_t>(p);
    AddSystems(doc, shaper, shape,
               {part, score ? shape.score_system_min : shape.part_system_min,
                score ? shape.score_system_max : shape.part_system_max,
                score ? shape.score_staves : 1, score ? 1 : p});
    if (!score) AddRests(doc, shaper, shape, part);
  }

  for (uint16_t inci : {uint16_t{0}, uint16_t{1}})
    doc.Put(kRestSettingsTag, kSettingCmper, inci,
            Drawn(seed, kRestSettingsTag, v, 0, kSettingCmper, inci));
  doc.Put(kSplitGateSettingTag, kSettingCmper, 0,
          Drawn(seed, kSplitGateSettingTag, v, 0, kSettingCmper, 0)
              .Set("words", shape.split_gate, kSplitGateWord));
  AddListedKinds(doc, shape);
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
