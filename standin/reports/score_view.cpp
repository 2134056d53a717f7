#include "standin/reports/score_view.h"

#include <algorithm>
#include <set>

#include "standin/store/record_layouts.h"

namespace standin {

std::string MeasureRange(int first, int end) {
  if (end <= first) return "none at " + std::to_string(first);
  if (end == first + 1) return std::to_string(first);
  return std::to_string(first) + "\u2013" + std::to_string(end - 1);
}

bool MeasureView::PieceStart() const {
  return (flags1 & kPieceStartFlag1) != 0 && (flags2 & kPieceStartFlag2) != 0;
}

bool MeasureView::PartialPieceStart() const {
  return ((flags1 & kPieceStartFlag1) != 0) != ((flags2 & kPieceStartFlag2) != 0);
}

bool MeasureView::PieceEnd() const {
  return (flags1 & kPieceEndFlag1) != 0;
}

const SystemView* PartView::SystemNumbered(int number) const {
  for (const SystemView& system : systems) {
    if (system.number == number) return &system;
  }
  return nullptr;
}

const SystemView* PartView::SystemStartingAt(int measure) const {
  for (const SystemView& system : systems) {
    if (system.first == measure) return &system;
  }
  return nullptr;
}

bool ScoreView::Reads(const RecordKey& key) {
  if (key.tag == kSystemStaffTag || key.tag == kStaffDetailTag) {
    return key.part != RecordKey::kDocumentWide;
  }
  if (key.tag == kMeasureTag || key.tag == kRegionTag) return key.inci == 0;
  if (key.tag == kStaffSystemTag || key.tag == kFrozenSystemTag || key.tag == kRestTag) {
    return key.inci == 0 && key.part != RecordKey::kDocumentWide;
  }
  return false;
}

ScoreView::ScoreView(const HostDocument& document) : host_version_(document.host_version) {
  // A field the record is too short for reads as 0 and marks it incomplete.
  auto field = [&](const Bytes& bytes, uint32_t tag, const char* name, bool* complete,
                   size_t index = 0) {
    std::optional<int32_t> value = RecordLayouts::Read(bytes, tag, host_version_, name, index);
    if (!value) *complete = false;
    return value.value_or(0);
  };

  std::set<int> part_ids;
  for (int16_t id : document.parts) part_ids.insert(id);
  for (const auto& [key, bytes] : document.records()) {
    if (key.part != RecordKey::kDocumentWide) part_ids.insert(key.part);
  }
  // Parts in the host's order, then any that only records mention.
  std::vector<int> order(document.parts.begin(), document.parts.end());
  for (int id : part_ids) {
    if (std::find(order.begin(), order.end(), id) == order.end()) order.push_back(id);
  }
  for (int id : order) {
    PartView part;
    part.id = id;
    part.has_part_record =
        id >= 0 && document.Find(kPartTag, static_cast<uint16_t>(id), 0) != nullptr;
    parts_.push_back(std::move(part));
  }

  for (const auto& [key, bytes] : document.records()) {
    bool complete = true;
    PartView* part = nullptr;
    if (key.part != RecordKey::kDocumentWide) {
      const int32_t owner = key.part;
      auto found = std::find_if(parts_.begin(), parts_.end(),
                                [owner](const PartView& p) { return p.id == owner; });
      // Records of a part the document does not list belong to no view.
      if (found == parts_.end()) continue;
      part = &*found;
    }
    if (key.tag == kMeasureTag && key.inci == 0) {
      MeasureView measure;
      measure.number = key.cmper;
      measure.flags1 = static_cast<uint16_t>(field(bytes, key.tag, "measureFlags1", &complete));
      measure.flags2 = static_cast<uint16_t>(field(bytes, key.tag, "measureFlags2", &complete));
      measure.complete = complete;
      measure.bytes = bytes;
      measures_.push_back(std::move(measure));
    } else if (key.tag == kRegionTag && key.inci == 0) {
      RegionView region;
      region.cmper = key.cmper;
      region.first = field(bytes, key.tag, "firstMeasure", &complete);
      region.end = field(bytes, key.tag, "endMeasure", &complete);
      region.cleared = field(bytes, key.tag, "clearedOnSplit", &complete);
      region.complete = complete;
      region.bytes = bytes;
      regions_.push_back(std::move(region));
    } else if (key.tag == kSplitGateSettingTag && key.cmper == kSettingCmper && key.inci == 0) {
      std::optional<int32_t> gate =
          RecordLayouts::Read(bytes, key.tag, host_version_, "words", kSplitGateWord);
      if (gate) split_gate_ = *gate;
    } else if (part != nullptr && key.tag == kStaffSystemTag && key.inci == 0) {
      SystemView system;
      system.number = key.cmper;
      system.first = field(bytes, key.tag, "firstMeasure", &complete);
      system.end = field(bytes, key.tag, "endMeasure", &complete);
      system.indent = field(bytes, key.tag, "indent", &complete);
      system.flags = static_cast<uint16_t>(field(bytes, key.tag, "systemFlags", &complete));
      system.complete = complete;
      system.bytes = bytes;
      part->systems.push_back(std::move(system));
    } else if (part != nullptr && key.tag == kSystemStaffTag) {
      part->staff_lists[key.cmper].push_back({field(bytes, key.tag, "staff", &complete), bytes});
    } else if (part != nullptr && key.tag == kStaffDetailTag) {
      part->details[key.cmper][key.inci] = field(bytes, key.tag, "detailValue", &complete);
    } else if (part != nullptr && key.tag == kFrozenSystemTag && key.inci == 0) {
      part->frozen[key.cmper] = {field(bytes, key.tag, "endMeasure", &complete), bytes};
    } else if (part != nullptr && key.tag == kRestTag && key.inci == 0) {
      RestView rest;
      rest.first = key.cmper;
      rest.end = field(bytes, key.tag, "endMeasure", &complete);
      rest.complete = complete;
      rest.bytes = bytes;
      part->rests.push_back(std::move(rest));
    }
  }

  // The axis covers every measure that anything reaches.
  int low = 1 << 20, high = -(1 << 20);
  auto reach = [&](int first, int last) {
    if (last < first) return;
    low = std::min(low, first);
    high = std::max(high, last);
  };
  for (const MeasureView& measure : measures_) reach(measure.number, measure.number);
  for (const RegionView& region : regions_) reach(region.first, region.end - 1);
  for (const PartView& part : parts_) {
    for (const SystemView& system : part.systems) reach(system.first, system.end - 1);
    for (const RestView& rest : part.rests) reach(rest.first, rest.end - 1);
  }
  if (low <= high) {
    first_measure_ = low;
    last_measure_ = high;
  }
}

const MeasureView* ScoreView::Measure(int number) const {
  for (const MeasureView& measure : measures_) {
    if (measure.number == number) return &measure;
  }
  return nullptr;
}

const PartView* ScoreView::Part(int id) const {
  for (const PartView& part : parts_) {
    if (part.id == id) return &part;
  }
  return nullptr;
}

std::optional<std::pair<int, int>> ScoreView::MeasureRecordRange() const {
  if (measures_.empty()) return std::nullopt;
  return std::make_pair(measures_.front().number, measures_.back().number);
}

std::vector<int> ScoreView::PieceStarts() const {
  std::vector<int> starts;
  if (HasMeasures()) starts.push_back(first_measure_);
  for (const MeasureView& measure : measures_) {
    if (measure.PieceStart() && measure.number != first_measure_) starts.push_back(measure.number);
  }
  return starts;
}

}  // namespace standin
