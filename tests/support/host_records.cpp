#include "tests/support/host_records.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace testing_support {

std::pair<int, int> MeasureFlags(const standin::HostDocument& doc, uint16_t number) {
  using standin::RecordLayouts;
  const standin::Bytes* bytes = doc.Find(kMeasureTag, number, 0);
  if (bytes == nullptr) return {-1, -1};
  return {RecordLayouts::Read(*bytes, kMeasureTag, doc.host_version, "measureFlags1").value_or(-1),
          RecordLayouts::Read(*bytes, kMeasureTag, doc.host_version, "measureFlags2").value_or(-1)};
}

std::set<int> Covered(const standin::HostDocument& doc, uint32_t tag, int32_t part) {
  using standin::RecordLayouts;
  const standin::RecordLayout& layout = RecordLayouts::Find(tag, doc.host_version);
  const bool numbered_by_first = layout.FindField("firstMeasure") == nullptr;
  std::set<int> measures;
  for (const auto& [key, bytes] : doc.records()) {
    if (key.tag != tag || key.part != part || bytes.size() < layout.size) continue;
    const int first = numbered_by_first
                          ? static_cast<int16_t>(key.cmper)
                          : *RecordLayouts::Read(bytes, tag, doc.host_version, "firstMeasure");
    const int end = *RecordLayouts::Read(bytes, tag, doc.host_version, "endMeasure");
    for (int m = first; m < end; ++m) measures.insert(m);
  }
  return measures;
}

std::string SpansText(const standin::HostDocument& doc, uint32_t tag, int32_t part) {
  using standin::RecordLayouts;
  const uint32_t version = doc.host_version;
  const bool has_first = RecordLayouts::Find(tag, version).FindField("firstMeasure") != nullptr;
  std::string text;
  for (const auto& [key, bytes] : doc.records()) {
    if (key.tag != tag || key.part != part) continue;
    if (!text.empty()) text += ' ';
    // A record too short for a field shows 0 there.
    auto field = [&](const char* name) {
      return std::to_string(RecordLayouts::Read(bytes, tag, version, name).value_or(0));
    };
    text += std::to_string(key.cmper);
    if (has_first) text += ":" + field("firstMeasure");
    text += "-" + field("endMeasure");
  }
  return text;
}

std::string RecordChange(uint32_t tag, uint32_t host_version, const standin::Bytes& before,
                         const standin::Bytes& after) {
  using standin::RecordLayouts;
  std::string text;
  auto add = [&text](const std::string& item) { text += (text.empty() ? "" : ", ") + item; };
  if (before.size() != after.size()) {
    add(std::to_string(before.size()) + " -> " + std::to_string(after.size()) + " bytes");
  }
  std::vector<bool> named(std::max(before.size(), after.size()), false);
  if (RecordLayouts::Exists(tag, host_version)) {
    for (const standin::FieldLayout& field : RecordLayouts::Find(tag, host_version).fields) {
      const size_t size = field.element_size();
      for (size_t i = 0; i < field.count; ++i) {
        const size_t at = field.offset + size * i;
        if (at + size > before.size() || at + size > after.size()) continue;
        std::fill_n(named.begin() + static_cast<long>(at), size, true);
        const int32_t a = RecordLayouts::FieldValue(before, field, i);
        const int32_t b = RecordLayouts::FieldValue(after, field, i);
        if (a == b) continue;
        std::string name = field.name;
        if (field.count > 1) name += "[" + std::to_string(i) + "]";
        char values[48];
        if (field.kind == standin::FieldKind::kFlags) {
          std::snprintf(values, sizeof values, " 0x%04X -> 0x%04X", static_cast<unsigned>(a),
                        static_cast<unsigned>(b));
        } else {
          std::snprintf(values, sizeof values, " %d -> %d", a, b);
        }
        add(name + values);
      }
    }
  }
  // Runs of other bytes that differ, as offsets.
  const size_t common = std::min(before.size(), after.size());
  for (size_t i = 0; i < common; ++i) {
    if (named[i] || before[i] == after[i]) continue;
    size_t last = i;
    while (last + 1 < common && !named[last + 1] && before[last + 1] != after[last + 1]) ++last;
    add(last == i ? "byte " + std::to_string(i) + " differs"
                  : "bytes " + std::to_string(i) + "-" + std::to_string(last) + " differ");
    i = last;
  }
  return text;
}

}  // namespace testing_support
