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

bool IsListed(const RecordKey& key) {
  const RecordKind* kind = RecordLayouts::Kind(key.tag);
  return kind != nullptr && kind->report == Report::kListed;
}

std::string ListedRecordName(const RecordKey& key) {
  const RecordKind& kind = *RecordLayouts::Kind(key.tag);
  std::string name = kind.description;
  if (key.part != RecordKey::kDocumentWide) name = "part " + std::to_string(key.part) + ": " + name;
  if (kind.addressing == Addressing::kByMeasure && key.inci == 0) {
    return name + " at measure " + std::to_string(key.cmper);
  }
  if (kind.addressing == Addressing::kByNumber && key.inci == 0) {
    return name + " " + std::to_string(key.cmper);
  }
  return name + " " + std::to_string(key.cmper) + "/" + std::to_string(key.inci);
}

std::string ListedRecordFields(const RecordKey& key, const Bytes& bytes, uint32_t host_version) {
  if (!RecordLayouts::Exists(key.tag, host_version)) {
    return std::to_string(bytes.size()) + " bytes, kept by no host of this version";
  }
  const RecordLayout& layout = RecordLayouts::Find(key.tag, host_version);
  if (bytes.size() != layout.size) {
    return std::to_string(bytes.size()) + " bytes, not the layout's " + std::to_string(layout.size);
  }
  std::string text;
  for (const FieldLayout& field : layout.fields) {
    text += (text.empty() ? "" : ", ") + std::string(field.name) + " " +
            RecordLayouts::FieldText(bytes, field);
  }
  return text.empty() ? "no fields" : text;
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
  // Systems are kept in the store's order: by number.
  auto it =
      std::lower_bound(systems.begin(), systems.end(), number,
                       [](const SystemView& system, int wanted) { return system.number < wanted; });
  return it != systems.end() && it->number == number ? &*it : nullptr;
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

namespace {

// Reads field `name` of a record; a field the record is too short for reads
// as 0 and marks it incomplete.
int Field(const Bytes& bytes, uint32_t tag, uint32_t version, const char* name, bool* complete,
          size_t index = 0) {
  std::optional<int32_t> value = RecordLayouts::Read(bytes, tag, version, name, index);
  if (!value) *complete = false;
  return value.value_or(0);
}

}  // namespace

ScoreView::ScoreView(const HostDocument& document) : host_version_(document.host_version) {
  ListParts(document);
  for (const auto& [key, bytes] : document.records()) {
    if (key.part == RecordKey::kDocumentWide) {
      ReadDocumentRecord(key, bytes);
      continue;
    }
    // Records of a part the document does not list belong to no view.
    auto found = part_index_.find(key.part);
    if (found != part_index_.end()) ReadPartRecord(key, bytes, &parts_[found->second]);
  }
  FindAxis();
}

void ScoreView::ListParts(const HostDocument& document) {
  // Parts in the host's order, then any that only records mention.
  std::vector<int> order;
  auto add = [&](int id) {
    if (part_index_.emplace(id, order.size()).second) order.push_back(id);
  };
  for (int16_t id : document.parts) add(id);
  std::set<int> mentioned;
  for (const auto& [key, bytes] : document.records()) {
    if (key.part != RecordKey::kDocumentWide) mentioned.insert(key.part);
  }
  for (int id : mentioned) add(id);
  for (int id : order) {
    PartView part;
    part.id = id;
    part.has_part_record =
        id >= 0 && document.Find(kPartTag, static_cast<uint16_t>(id), 0) != nullptr;
    parts_.push_back(std::move(part));
  }
}

void ScoreView::ReadDocumentRecord(const RecordKey& key, const Bytes& bytes) {
  bool complete = true;
  const uint32_t v = host_version_;
  if (key.tag == kMeasureTag && key.inci == 0) {
    MeasureView measure;
    measure.number = key.cmper;
    measure.flags1 = static_cast<uint16_t>(Field(bytes, key.tag, v, "measureFlags1", &complete));
    measure.flags2 = static_cast<uint16_t>(Field(bytes, key.tag, v, "measureFlags2", &complete));
    measure.complete = complete;
    measure.bytes = bytes;
    measures_.push_back(std::move(measure));
  } else if (key.tag == kRegionTag && key.inci == 0) {
    RegionView region;
    region.cmper = key.cmper;
    region.first = Field(bytes, key.tag, v, "firstMeasure", &complete);
    region.end = Field(bytes, key.tag, v, "endMeasure", &complete);
    region.cleared = Field(bytes, key.tag, v, "clearedOnSplit", &complete);
    region.complete = complete;
    region.bytes = bytes;
    regions_.push_back(std::move(region));
  } else if (key.tag == kSplitGateSettingTag && key.cmper == kSettingCmper && key.inci == 0) {
    std::optional<int32_t> gate = RecordLayouts::Read(bytes, key.tag, v, "words", kSplitGateWord);
    if (gate) split_gate_ = *gate;
  }
}

void ScoreView::ReadPartRecord(const RecordKey& key, const Bytes& bytes, PartView* part) {
  bool complete = true;
  const uint32_t v = host_version_;
  if (key.tag == kStaffSystemTag && key.inci == 0) {
    SystemView system;
    system.number = key.cmper;
    system.first = Field(bytes, key.tag, v, "firstMeasure", &complete);
    system.end = Field(bytes, key.tag, v, "endMeasure", &complete);
    system.indent = Field(bytes, key.tag, v, "indent", &complete);
    system.flags = static_cast<uint16_t>(Field(bytes, key.tag, v, "systemFlags", &complete));
    system.complete = complete;
    system.bytes = bytes;
    part->systems.push_back(std::move(system));
  } else if (key.tag == kSystemStaffTag) {
    part->staff_lists[key.cmper].push_back({Field(bytes, key.tag, v, "staff", &complete), bytes});
  } else if (key.tag == kStaffDetailTag) {
    part->details[key.cmper][key.inci] = Field(bytes, key.tag, v, "detailValue", &complete);
  } else if (key.tag == kFrozenSystemTag && key.inci == 0) {
    part->frozen[key.cmper] = {Field(bytes, key.tag, v, "endMeasure", &complete), bytes};
  } else if (key.tag == kRestTag && key.inci == 0) {
    RestView rest;
    rest.first = key.cmper;
    rest.end = Field(bytes, key.tag, v, "endMeasure", &complete);
    rest.complete = complete;
    rest.bytes = bytes;
    part->rests.push_back(std::move(rest));
  }
}

void ScoreView::FindAxis() {
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
  // Measures are kept in the store's order: by number.
  auto it = std::lower_bound(
      measures_.begin(), measures_.end(), number,
      [](const MeasureView& measure, int wanted) { return measure.number < wanted; });
  return it != measures_.end() && it->number == number ? &*it : nullptr;
}

const PartView* ScoreView::Part(int id) const {
  auto found = part_index_.find(id);
  return found == part_index_.end() ? nullptr : &parts_[found->second];
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
