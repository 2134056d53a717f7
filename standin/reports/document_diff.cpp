#include "standin/reports/document_diff.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <numeric>
#include <set>
#include <utility>

#include "standin/reports/score_view.h"
#include "standin/store/record_layouts.h"

namespace standin {
namespace {

const char* const kArrow = " \u2192 ";  // →
const char* const kMinus = "\u2212";    // −

std::string Hex(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

std::string Join(const std::vector<std::string>& items, const std::string& separator = ", ") {
  std::string text;
  for (size_t i = 0; i < items.size(); ++i) text += (i > 0 ? separator : "") + items[i];
  return text;
}

// "a and b", "a, b and c".
std::string ListInWords(const std::vector<std::string>& items) {
  if (items.size() <= 1) return Join(items);
  std::vector<std::string> head(items.begin(), items.end() - 1);
  return Join(head) + " and " + items.back();
}

// "+0x8800 −0x0030" for the bits set and cleared between two values of a
// flag field, in as many digits as the field has.
std::string FlagChange(const FieldLayout& field, uint32_t before, uint32_t after) {
  const int digits = static_cast<int>(2 * field.number_size);
  std::vector<std::string> parts;
  uint32_t set = after & ~before, cleared = before & ~after;
  if (set != 0) parts.push_back("+" + Hex(set, digits));
  if (cleared != 0) parts.push_back(kMinus + Hex(cleared, digits));
  return Join(parts, " ");
}

// "bytes 0–3, 16" for the offsets at which two equally long byte runs differ,
// looking only at `gaps`.
std::string ByteRanges(const Bytes& a, const Bytes& b, const std::vector<Gap>& gaps) {
  std::vector<std::string> ranges;
  for (const Gap& gap : gaps) {
    size_t i = gap.offset, end = gap.offset + gap.size;
    while (i < end) {
      if (a[i] == b[i]) {
        ++i;
        continue;
      }
      size_t start = i;
      while (i < end && a[i] != b[i]) ++i;
      ranges.push_back(i - start == 1 ? std::to_string(start)
                                      : std::to_string(start) + "\u2013" + std::to_string(i - 1));
    }
  }
  if (ranges.empty()) return "";
  return (ranges.size() == 1 && ranges[0].find("\u2013") == std::string::npos ? "byte "
                                                                              : "bytes ") +
         Join(ranges);
}

// The changes between two records of one tag, field by field; the fields
// named in `skip` are left out. Uninterpreted bytes are compared when both
// records have their layout's size.
std::vector<std::string> FieldChanges(uint32_t tag, const Bytes& a, uint32_t a_version,
                                      const Bytes& b, uint32_t b_version,
                                      const std::set<std::string>& skip = {}) {
  std::vector<std::string> changes;
  if (!RecordLayouts::Exists(tag, a_version) || !RecordLayouts::Exists(tag, b_version)) {
    if (a != b) changes.push_back("bytes changed");
    return changes;
  }
  const RecordLayout& layout_a = RecordLayouts::Find(tag, a_version);
  const RecordLayout& layout_b = RecordLayouts::Find(tag, b_version);
  for (const FieldLayout& field : layout_b.fields) {
    if (skip.count(field.name) > 0) continue;
    if (!field.numeric()) {
      // Text and raw bytes change as a whole.
      const FieldLayout* old = layout_a.FindField(field.name);
      if (old == nullptr || old->kind != field.kind || old->offset + old->width() > a.size() ||
          field.offset + field.width() > b.size()) {
        continue;
      }
      const std::string before = RecordLayouts::FieldText(a, *old);
      const std::string after = RecordLayouts::FieldText(b, field);
      if (before != after) changes.push_back(field.name + (" " + before) + kArrow + after);
      continue;
    }
    for (size_t i = 0; i < field.count; ++i) {
      std::optional<int32_t> before = RecordLayouts::Read(a, tag, a_version, field.name, i);
      std::optional<int32_t> after = RecordLayouts::Read(b, tag, b_version, field.name, i);
      if (!before || !after || *before == *after) continue;
      std::string name = field.name;
      if (field.kind == FieldKind::kWords) name = "word " + std::to_string(i);
      if (field.kind == FieldKind::kFlags) {
        changes.push_back(
            name + " " +
            FlagChange(field, static_cast<uint32_t>(*before), static_cast<uint32_t>(*after)));
      } else {
        changes.push_back(name + " " + std::to_string(*before) + kArrow + std::to_string(*after));
      }
    }
  }
  if (a.size() != b.size()) {
    changes.push_back("length " + std::to_string(a.size()) + kArrow + std::to_string(b.size()) +
                      " bytes");
  } else if (&layout_a == &layout_b && a.size() == layout_a.size) {
    std::string bytes = ByteRanges(a, b, layout_a.Gaps());
    if (!bytes.empty()) changes.push_back(bytes + " changed");
  } else if (a != b && changes.empty()) {
    changes.push_back("bytes changed");
  }
  return changes;
}

std::string Count(size_t count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// A piece of a cut system whose list and details together are at most this
// many longer than twice its own is compared with the old ones whole.
constexpr size_t kWholeListCompared = 16;

std::string SystemName(const SystemView& system) {
  return "system " + std::to_string(system.number) + " (" + MeasureRange(system.first, system.end) +
         ")";
}

std::string Staves(const std::vector<StaffEntryView>& list) {
  if (list.empty()) return "none";
  std::vector<std::string> staves;
  for (const StaffEntryView& entry : list) staves.push_back(std::to_string(entry.staff));
  return Join(staves);
}

class Differ {
 public:
  Differ(const HostDocument& a, const HostDocument& b)
      : doc_a_(a), doc_b_(b), a_(a), b_(b), va_(a.host_version), vb_(b.host_version) {}

  std::vector<std::string> Run() {
    Header();
    OtherRecords(/*part_scoped=*/false);
    Measures();
    Regions();
    std::vector<int> ids;
    std::set<int> seen;
    for (const PartView& part : b_.parts()) {
      if (seen.insert(part.id).second) ids.push_back(part.id);
    }
    for (const PartView& part : a_.parts()) {
      if (seen.insert(part.id).second) ids.push_back(part.id);
    }
    for (int id : ids) Part(a_.Part(id), b_.Part(id), id);
    OtherRecords(/*part_scoped=*/true);
    return lines_;
  }

 private:
  void Add(const std::string& line) { lines_.push_back(line); }

  void Header() {
    if (va_ != vb_) Add("host version " + Hex(va_, 8) + kArrow + Hex(vb_, 8));
    if (doc_a_.document_id != doc_b_.document_id) {
      Add("document id " + std::to_string(doc_a_.document_id) + kArrow +
          std::to_string(doc_b_.document_id));
    }
    if (doc_a_.parts != doc_b_.parts) {
      auto list = [](const std::vector<int16_t>& parts) {
        std::vector<std::string> items;
        for (int16_t id : parts) items.push_back(std::to_string(id));
        return Join(items);
      };
      Add("parts " + list(doc_a_.parts) + kArrow + list(doc_b_.parts));
    }
    if (doc_a_.current_part != doc_b_.current_part) {
      Add("current part " + std::to_string(doc_a_.current_part) + kArrow +
          std::to_string(doc_b_.current_part));
    }
    std::set<std::pair<uint16_t, uint16_t>> slots;
    for (const auto& entry : doc_a_.slot_to_staff) slots.insert(entry.first);
    for (const auto& entry : doc_b_.slot_to_staff) slots.insert(entry.first);
    for (const auto& slot : slots) {
      auto a = doc_a_.slot_to_staff.find(slot), b = doc_b_.slot_to_staff.find(slot);
      std::string name =
          "slot " + std::to_string(slot.first) + " (context " + std::to_string(slot.second) + ")";
      if (a == doc_a_.slot_to_staff.end()) {
        Add(name + " added, staff " + std::to_string(b->second));
      } else if (b == doc_b_.slot_to_staff.end()) {
        Add(name + " removed");
      } else if (a->second != b->second) {
        Add(name + ": staff " + std::to_string(a->second) + kArrow + std::to_string(b->second));
      }
    }
  }

  static std::string RecordName(const RecordKey& key) {
    std::string where;
    if (key.part != RecordKey::kDocumentWide) where = "part " + std::to_string(key.part) + ": ";
    if (key.tag == kPartTag && key.inci == 0)
      return where + "part record " + std::to_string(key.cmper);
    if ((key.tag == kRestSettingsTag || key.tag == kSplitGateSettingTag)) {
      return where + "setting " + TagName(key.tag) + " " + Hex(key.cmper, 4) + "/" +
             std::to_string(key.inci);
    }
    if (IsListed(key)) return ListedRecordName(key);
    const RecordKind* kind = RecordLayouts::Kind(key.tag);
    std::string what = kind == nullptr ? "record" : kind->description;
    return where + what + " " + TagName(key.tag) + " " + std::to_string(key.cmper) + "/" +
           std::to_string(key.inci);
  }

  // Records the view does not read, compared one by one.
  void OtherRecords(bool part_scoped) {
    std::set<RecordKey> keys;
    for (const auto* doc : {&doc_a_, &doc_b_}) {
      for (const auto& [key, bytes] : doc->records()) {
        if (ScoreView::Reads(key)) continue;
        if ((key.part != RecordKey::kDocumentWide) == part_scoped) keys.insert(key);
      }
    }
    for (const RecordKey& key : keys) {
      auto a = doc_a_.records().find(key), b = doc_b_.records().find(key);
      std::string name = RecordName(key);
      if (a == doc_a_.records().end()) {
        Add(name + " added" +
            (IsListed(key) ? ": " + ListedRecordFields(key, b->second, vb_) : ""));
      } else if (b == doc_b_.records().end()) {
        Add(name + " removed" +
            (IsListed(key) ? ": " + ListedRecordFields(key, a->second, va_) : ""));
      } else if (a->second != b->second) {
        std::string line =
            name + ": " + Join(FieldChanges(key.tag, a->second, va_, b->second, vb_));
        if (key.tag == kSplitGateSettingTag && key.cmper == kSettingCmper && key.inci == 0) {
          auto gate = [&](const Bytes& bytes, uint32_t version) {
            return RecordLayouts::Read(bytes, key.tag, version, "words", kSplitGateWord);
          };
          auto before = gate(a->second, va_), after = gate(b->second, vb_);
          if (before && after && (*before == 0) != (*after == 0)) {
            line += *after == 0 ? " (rests are now split at a new piece)"
                                : " (rests are now left whole at a new piece)";
          }
        }
        Add(line);
      }
    }
  }

  void Measures() {
    std::set<int> numbers;
    for (const MeasureView& m : a_.measures()) numbers.insert(m.number);
    for (const MeasureView& m : b_.measures()) numbers.insert(m.number);
    for (int number : numbers) {
      const MeasureView* a = a_.Measure(number);
      const MeasureView* b = b_.Measure(number);
      std::string name = "measure " + std::to_string(number);
      if (a == nullptr) {
        Add(name + " added");
        continue;
      }
      if (b == nullptr) {
        Add(name + " removed");
        continue;
      }
      if (a->bytes == b->bytes) continue;
      std::vector<std::string> notes;
      if (!a->PieceStart() && b->PieceStart()) notes.push_back("now starts a piece");
      if (a->PieceStart() && !b->PieceStart()) notes.push_back("no longer starts a piece");
      if (!a->PieceEnd() && b->PieceEnd()) notes.push_back("now ends a piece");
      if (a->PieceEnd() && !b->PieceEnd()) notes.push_back("no longer ends a piece");
      std::string head = notes.empty() ? name : name + " " + ListInWords(notes);
      Add(head + ": " + Join(FieldChanges(kMeasureTag, a->bytes, va_, b->bytes, vb_)));
    }
  }

  static std::string RegionName(const RegionView& region) {
    return "measure-number region " + std::to_string(region.cmper) + " (" +
           MeasureRange(region.first, region.end) + ")";
  }

  void Regions() {
    std::map<int, const RegionView*> in_a, in_b;
    for (const RegionView& r : a_.regions()) in_a[r.cmper] = &r;
    for (const RegionView& r : b_.regions()) in_b[r.cmper] = &r;
    // The regions only `b` has, by the measures they cover, lowest number
    // first: the candidates for the new half of a split.
    std::map<std::pair<int, int>, std::vector<int>> new_by_range;
    for (auto it = in_b.rbegin(); it != in_b.rend(); ++it) {
      if (in_a.count(it->first) == 0) {
        new_by_range[{it->second->first, it->second->end}].push_back(it->first);
      }
    }
    std::set<int> done_a, done_b;
    // Splits: a region now ends early and a new one takes over its end.
    for (const auto& [cmper, old] : in_a) {
      auto kept = in_b.find(cmper);
      if (kept == in_b.end() || kept->second->first != old->first) continue;
      int m = kept->second->end;
      if (m < old->first || m >= old->end) continue;
      auto candidates = new_by_range.find({m, old->end});
      if (candidates != new_by_range.end() && !candidates->second.empty()) {
        const int new_cmper = candidates->second.back();
        candidates->second.pop_back();
        const RegionView* piece = in_b.at(new_cmper);
        Add("measure-number region " + std::to_string(cmper) + " (" +
            MeasureRange(old->first, old->end) + ") split at measure " + std::to_string(m) +
            kArrow + "regions " + std::to_string(cmper) + " (" + MeasureRange(old->first, m) +
            ") and " + std::to_string(new_cmper) + " (" + MeasureRange(m, old->end) + ")");
        auto kept_changes =
            FieldChanges(kRegionTag, old->bytes, va_, kept->second->bytes, vb_, {"endMeasure"});
        if (!kept_changes.empty()) Add(RegionName(*kept->second) + ": " + Join(kept_changes));
        auto new_changes =
            FieldChanges(kRegionTag, old->bytes, va_, piece->bytes, vb_, {"firstMeasure"});
        if (!new_changes.empty()) {
          Add(RegionName(*piece) + ", compared with region " + std::to_string(cmper) + ": " +
              Join(new_changes));
        }
        done_a.insert(cmper);
        done_b.insert(cmper);
        done_b.insert(new_cmper);
      }
    }
    for (const auto& [cmper, a] : in_a) {
      if (done_a.count(cmper) > 0) continue;
      auto b = in_b.find(cmper);
      if (b == in_b.end()) {
        Add(RegionName(*a) + " removed");
        continue;
      }
      done_b.insert(cmper);
      if (a->bytes == b->second->bytes) continue;
      std::vector<std::string> changes;
      if (a->first != b->second->first || a->end != b->second->end) {
        changes.push_back("measures " + MeasureRange(a->first, a->end) + kArrow +
                          MeasureRange(b->second->first, b->second->end));
      }
      for (const std::string& change : FieldChanges(kRegionTag, a->bytes, va_, b->second->bytes,
                                                    vb_, {"firstMeasure", "endMeasure"})) {
        changes.push_back(change);
      }
      Add("measure-number region " + std::to_string(cmper) + ": " + Join(changes));
    }
    for (const auto& [cmper, b] : in_b) {
      if (done_b.count(cmper) == 0) Add(RegionName(*b) + " added");
    }
  }

  void Part(const PartView* a, const PartView* b, int id) {
    std::string name = "part " + std::to_string(id) + ": ";
    if (a == nullptr || b == nullptr) {
      const PartView* part = a == nullptr ? b : a;
      Add(name + (a == nullptr ? "new, with " : "gone, with ") +
          Count(part->systems.size(), "system") + " and " + Count(part->rests.size(), "rest"));
      return;
    }
    if (a->has_part_record != b->has_part_record) {
      Add(name + (b->has_part_record ? "now has a part record" : "no longer has a part record"));
    }
    prefix_ = name;
    std::map<int, const SystemView*> origin = Systems(*a, *b);
    StaffLists(*a, *b, origin);
    Frozen(*a, *b);
    Rests(*a, *b);
  }

  // The systems of a part sorted by first measure (then by number), with
  // those already matched marked. Matched systems are skipped in near
  // constant time, and whether the unmatched systems beginning within a
  // range tile it is answered from a tree over the sorted systems in
  // logarithmic time, so that matching stays n log n whatever the shape:
  // many systems sharing one range, empty ones, long chains.
  class SystemIndex {
   public:
    explicit SystemIndex(const PartView& part) : base_(part.systems.data()) {
      for (const SystemView& system : part.systems) by_first_.push_back(&system);
      std::stable_sort(
          by_first_.begin(), by_first_.end(),
          [](const SystemView* x, const SystemView* y) { return x->first < y->first; });
      position_.resize(by_first_.size());
      for (size_t i = 0; i < by_first_.size(); ++i) {
        position_[static_cast<size_t>(by_first_[i] - base_)] = i;
      }
      skip_.resize(by_first_.size() + 1);
      std::iota(skip_.begin(), skip_.end(), size_t{0});
      leaves_ = 1;
      while (leaves_ < by_first_.size()) leaves_ *= 2;
      tree_.resize(2 * leaves_);
      for (size_t i = 0; i < by_first_.size(); ++i) tree_[leaves_ + i] = Leaf(*by_first_[i]);
      for (size_t node = leaves_ - 1; node >= 1; --node) Pull(node);
    }
    bool Used(const SystemView& system) const {
      return skip_[Position(system)] != Position(system);
    }
    void Use(const SystemView& system) {
      size_t i = Position(system);
      if (skip_[i] != i) return;
      skip_[i] = i + 1;
      size_t node = leaves_ + i;
      tree_[node] = Chain();
      while (node > 1) Pull(node /= 2);
    }
    // The unmatched non-empty systems beginning within first..end-1 when
    // they are two or more that cover it one after another; else none.
    std::vector<const SystemView*> Tiling(int first, int end) const {
      const size_t from = LowerBound(first), to = LowerBound(end);
      if (from >= to) return {};
      const Chain span = Span(1, 0, leaves_, from, to);
      if (span.count < 2 || !span.joined || span.first != first || span.end != end) return {};
      std::vector<const SystemView*> chain;
      for (size_t i = Next(from); i < to; i = Next(i + 1)) chain.push_back(by_first_[i]);
      return chain;
    }
    // The unmatched system of lowest number beginning at `first`, or null.
    const SystemView* StartingAt(int first) const {
      size_t i = Unused(LowerBound(first));
      return i < by_first_.size() && by_first_[i]->first == first ? by_first_[i] : nullptr;
    }

   private:
    // The unmatched non-empty systems of a stretch of the sorted list: how
    // many, where the first begins and the last ends, and whether each
    // begins where the one before it ends.
    struct Chain {
      size_t count = 0;
      int first = 0, end = 0;
      bool joined = true;
      static Chain Join(const Chain& x, const Chain& y) {
        if (x.count == 0) return y;
        if (y.count == 0) return x;
        return Chain{x.count + y.count, x.first, y.end, x.joined && y.joined && x.end == y.first};
      }
    };
    // An empty system covers nothing, so it is no piece of a tiling.
    static Chain Leaf(const SystemView& system) {
      return system.end > system.first ? Chain{1, system.first, system.end, true} : Chain();
    }
    // A node's chain from its two children's.
    void Pull(size_t node) { tree_[node] = Chain::Join(tree_[2 * node], tree_[2 * node + 1]); }
    // The chain of positions from..to-1 within the node covering lo..hi-1.
    Chain Span(size_t node, size_t lo, size_t hi, size_t from, size_t to) const {
      if (to <= lo || hi <= from) return Chain();
      if (from <= lo && hi <= to) return tree_[node];
      const size_t mid = (lo + hi) / 2;
      return Chain::Join(Span(2 * node, lo, mid, from, to), Span(2 * node + 1, mid, hi, from, to));
    }
    // The first position from `i` on that holds an unmatched non-empty
    // system (the end when none).
    size_t Next(size_t i) const {
      if (i >= by_first_.size()) return by_first_.size();
      size_t node = leaves_ + i;
      if (tree_[node].count > 0) return i;
      // Up until a right sibling holds one, then down to its leftmost.
      while (node > 1 && (node % 2 == 1 || tree_[node + 1].count == 0)) node /= 2;
      if (node == 1) return by_first_.size();
      for (node += 1; node < leaves_;) node = tree_[2 * node].count > 0 ? 2 * node : 2 * node + 1;
      return node - leaves_;
    }
    size_t Position(const SystemView& system) const {
      return position_[static_cast<size_t>(&system - base_)];
    }
    size_t LowerBound(int first) const {
      return static_cast<size_t>(
          std::lower_bound(by_first_.begin(), by_first_.end(), first,
                           [](const SystemView* s, int m) { return s->first < m; }) -
          by_first_.begin());
    }
    // The first unmatched position from `i` on (the end when none): a
    // matched position points further on, and the path is shortened as it
    // is followed.
    size_t Unused(size_t i) const {
      size_t found = i;
      while (skip_[found] != found) found = skip_[found];
      while (skip_[i] != found) i = std::exchange(skip_[i], found);
      return found;
    }

    const SystemView* base_;
    std::vector<const SystemView*> by_first_;
    std::vector<size_t> position_;  // for each system of the part, its place in by_first_
    mutable std::vector<size_t> skip_;
    size_t leaves_ = 1;        // positions the tree covers: a power of two
    std::vector<Chain> tree_;  // node 1 the root; node n's children 2n and 2n+1
  };

  // How the systems of two versions of a part correspond.
  struct SystemMatch {
    SystemMatch(const PartView& a, const PartView& b) : in_a(a), in_b(b) {}
    SystemIndex in_a, in_b;
    std::map<int, const SystemView*> origin;  // system of b -> the system of a it came from
    std::vector<std::pair<int, int>> renumbered;
  };

  // Matches the systems of two versions of a part and names the changes;
  // returns, for each system of `b`, the system of `a` it came from.
  std::map<int, const SystemView*> Systems(const PartView& a, const PartView& b) {
    SystemMatch match(a, b);
    SplitSystems(a, &match);
    JoinedSystems(b, &match);
    SameStartSystems(b, &match);
    for (const SystemView& old : a.systems) {
      if (!match.in_a.Used(old)) Add(prefix_ + SystemName(old) + " removed");
    }
    for (const SystemView& now : b.systems) {
      if (match.in_b.Used(now)) continue;
      auto list = b.staff_lists.find(now.number);
      Add(prefix_ + SystemName(now) + " added" +
          (list == b.staff_lists.end() ? "" : ", staves " + Staves(list->second)));
    }
    RenumberedRuns(&match.renumbered);
    for (const SystemView& now : b.systems) {
      auto from = match.origin.find(now.number);
      if (from == match.origin.end()) continue;
      std::vector<std::string> changes =
          FieldChanges(kStaffSystemTag, from->second->bytes, va_, now.bytes, vb_,
                       {"firstMeasure", "endMeasure"});
      if (!changes.empty()) Add(prefix_ + SystemName(now) + ": " + Join(changes));
    }
    return match.origin;
  }

  // A system of `a` now cut into several that cover it.
  void SplitSystems(const PartView& a, SystemMatch* match) {
    for (const SystemView& old : a.systems) {
      std::vector<const SystemView*> pieces = match->in_b.Tiling(old.first, old.end);
      if (pieces.empty()) continue;
      std::vector<std::string> cuts, names;
      for (const SystemView* piece : pieces) {
        if (piece != pieces.front()) cuts.push_back(std::to_string(piece->first));
        names.push_back(std::to_string(piece->number) + " (" +
                        MeasureRange(piece->first, piece->end) + ")");
        match->origin[piece->number] = &old;
        match->in_b.Use(*piece);
      }
      match->in_a.Use(old);
      Add(prefix_ + SystemName(old) + " split at measure" + (cuts.size() > 1 ? "s " : " ") +
          ListInWords(cuts) + kArrow + "systems " + ListInWords(names));
    }
  }

  // Several systems of `a` now joined into one.
  void JoinedSystems(const PartView& b, SystemMatch* match) {
    for (const SystemView& now : b.systems) {
      if (match->in_b.Used(now)) continue;
      std::vector<const SystemView*> olds = match->in_a.Tiling(now.first, now.end);
      if (olds.empty()) continue;
      std::vector<std::string> names;
      for (const SystemView* old : olds) {
        names.push_back(std::to_string(old->number) + " (" + MeasureRange(old->first, old->end) +
                        ")");
        match->in_a.Use(*old);
      }
      match->origin[now.number] = olds.front();
      match->in_b.Use(now);
      Add(prefix_ + "systems " + ListInWords(names) + " joined" + kArrow + SystemName(now));
    }
  }

  // Systems beginning where one of `a` began: moved ends or new numbers.
  void SameStartSystems(const PartView& b, SystemMatch* match) {
    for (const SystemView& now : b.systems) {
      if (match->in_b.Used(now)) continue;
      const SystemView* old = match->in_a.StartingAt(now.first);
      if (old == nullptr) continue;
      match->origin[now.number] = old;
      match->in_a.Use(*old);
      match->in_b.Use(now);
      if (old->end != now.end) {
        Add(prefix_ + "system " + std::to_string(now.number) + " now covers " +
            MeasureRange(now.first, now.end) + " (was " + SystemName(*old) + ")");
      } else if (old->number != now.number) {
        match->renumbered.emplace_back(old->number, now.number);
      }
    }
  }

  // Runs of renumbered systems: "systems 5–10 renumbered 6–11".
  void RenumberedRuns(std::vector<std::pair<int, int>>* renumbered) {
    std::sort(renumbered->begin(), renumbered->end());
    const auto& r = *renumbered;
    auto span = [](int from, int to) {
      return from == to ? std::to_string(from)
                        : std::to_string(from) + "\u2013" + std::to_string(to);
    };
    for (size_t i = 0; i < r.size();) {
      size_t j = i + 1;
      while (j < r.size() && r[j].first == r[j - 1].first + 1 &&
             r[j].second == r[j - 1].second + 1) {
        ++j;
      }
      Add(prefix_ + (j - i == 1 ? "system " : "systems ") + span(r[i].first, r[j - 1].first) +
          " renumbered " + span(r[i].second, r[j - 1].second));
      i = j;
    }
  }

  static const std::vector<StaffEntryView>& ListOf(const PartView& part, int number) {
    static const std::vector<StaffEntryView> kNone;
    auto it = part.staff_lists.find(number);
    return it == part.staff_lists.end() ? kNone : it->second;
  }

  static const std::map<int, int>& DetailsOf(const PartView& part, int number) {
    static const std::map<int, int> kNoDetails;
    auto it = part.details.find(number);
    return it == part.details.end() ? kNoDetails : it->second;
  }

  // One line for what changed between two staff lists and their details,
  // with `note` after the changes when there are any or it is not empty.
  void CompareLists(const std::string& name, const std::vector<StaffEntryView>& before,
                    const std::vector<StaffEntryView>& after,
                    const std::map<int, int>& details_before,
                    const std::map<int, int>& details_after, const std::string& note = "") {
    std::vector<std::string> changes;
    if (!note.empty()) changes.push_back(note);
    if (Staves(before) != Staves(after)) {
      changes.push_back("staves " + Staves(before) + kArrow + Staves(after));
    } else {
      for (size_t i = 0; i < before.size(); ++i) {
        if (before[i].bytes == after[i].bytes) continue;
        changes.push_back(
            "staff " + std::to_string(after[i].staff) + " entry: " +
            Join(FieldChanges(kSystemStaffTag, before[i].bytes, va_, after[i].bytes, vb_)));
      }
    }
    std::set<int> staves;
    for (const auto& entry : details_before) staves.insert(entry.first);
    for (const auto& entry : details_after) staves.insert(entry.first);
    auto text = [](const std::map<int, int>& details, int staff) {
      auto it = details.find(staff);
      return it == details.end() ? std::string("none") : std::to_string(it->second);
    };
    for (int staff : staves) {
      std::string x = text(details_before, staff), y = text(details_after, staff);
      if (x != y) changes.push_back("staff " + std::to_string(staff) + " detail " + x + kArrow + y);
    }
    if (!changes.empty()) Add(prefix_ + name + ": " + Join(changes));
  }

  // The staff list of a system of `a` cut into several, by staff, for its
  // pieces to look their staves up in.
  struct CutList {
    const std::vector<StaffEntryView>* entries = nullptr;
    const std::map<int, int>* details = nullptr;
    std::map<int, size_t> place;  // staff -> its first place in `entries`
  };

  // A piece of a cut system compared with the system it came from. A piece
  // whose list and details are not much shorter than the old ones is
  // compared with them whole; a much shorter one only with the part of the
  // old list and details that names its own staves, and the staves it lacks
  // are counted, not named, so that the work and the line stay in
  // proportion to the piece however many pieces share one long list.
  void ComparePiece(const std::string& name, const std::string& old_name, const CutList& old,
                    const std::vector<StaffEntryView>& list, const std::map<int, int>& details) {
    const size_t old_size = old.entries->size() + old.details->size();
    const size_t own_size = list.size() + details.size();
    if (old_size <= 2 * own_size + kWholeListCompared) {
      CompareLists(name, *old.entries, list, *old.details, details);
      return;
    }
    std::vector<size_t> shown;
    for (const StaffEntryView& entry : list) {
      auto found = old.place.find(entry.staff);
      if (found != old.place.end()) shown.push_back(found->second);
    }
    std::sort(shown.begin(), shown.end());
    shown.erase(std::unique(shown.begin(), shown.end()), shown.end());
    std::vector<StaffEntryView> part;
    for (size_t i : shown) part.push_back((*old.entries)[i]);
    std::map<int, int> part_details;
    auto take = [&](int staff) {
      auto found = old.details->find(staff);
      if (found != old.details->end()) part_details.insert(*found);
    };
    for (const StaffEntryView& entry : list) take(entry.staff);
    for (const auto& entry : details) take(entry.first);
    std::string note;
    if (part.size() < old.entries->size()) {
      const size_t all = old.entries->size();
      note = "shows " + std::to_string(part.size()) + " of the " + std::to_string(all) +
             (all == 1 ? " staff" : " staves") + " of " + old_name;
    }
    CompareLists(name, part, list, part_details, details, note);
  }

  void StaffLists(const PartView& a, const PartView& b,
                  const std::map<int, const SystemView*>& origin) {
    std::map<int, int> pieces;  // system of a -> how many systems of b came from it
    for (const auto& entry : origin) ++pieces[entry.second->number];
    std::map<int, CutList> cut;  // the lists of the systems of a cut into several
    for (const SystemView& now : b.systems) {
      auto from = origin.find(now.number);
      if (from == origin.end()) continue;
      const int old = from->second->number;
      if (pieces[old] < 2) {
        CompareLists(SystemName(now), ListOf(a, old), ListOf(b, now.number), DetailsOf(a, old),
                     DetailsOf(b, now.number));
        continue;
      }
      auto [place, fresh] = cut.try_emplace(old);
      if (fresh) {
        place->second.entries = &ListOf(a, old);
        place->second.details = &DetailsOf(a, old);
        for (size_t i = 0; i < place->second.entries->size(); ++i) {
          place->second.place.emplace((*place->second.entries)[i].staff, i);
        }
      }
      ComparePiece(SystemName(now), SystemName(*from->second), place->second, ListOf(b, now.number),
                   DetailsOf(b, now.number));
    }
    // Lists and details filed under numbers that have no system.
    std::set<int> loose;
    for (const PartView* part : {&a, &b}) {
      for (const auto& entry : part->staff_lists) loose.insert(entry.first);
      for (const auto& entry : part->details) loose.insert(entry.first);
    }
    static const std::vector<StaffEntryView> kNone;
    static const std::map<int, int> kNoDetails;
    for (int number : loose) {
      if (b.SystemNumbered(number) != nullptr) continue;
      const bool had_system = a.SystemNumbered(number) != nullptr;
      if (had_system && ListOf(b, number).empty() && DetailsOf(b, number).empty()) {
        continue;  // the system and its list went together
      }
      CompareLists("staff list under number " + std::to_string(number) + ", which has no system",
                   had_system ? kNone : ListOf(a, number), ListOf(b, number),
                   had_system ? kNoDetails : DetailsOf(a, number), DetailsOf(b, number));
    }
  }

  void Frozen(const PartView& a, const PartView& b) {
    std::set<int> measures;
    for (const auto& entry : a.frozen) measures.insert(entry.first);
    for (const auto& entry : b.frozen) measures.insert(entry.first);
    for (int m : measures) {
      auto x = a.frozen.find(m), y = b.frozen.find(m);
      std::string name = "frozen-system record at measure " + std::to_string(m);
      if (x == a.frozen.end()) {
        Add(prefix_ + name + " added (" + MeasureRange(m, y->second.end) + ")");
      } else if (y == b.frozen.end()) {
        Add(prefix_ + name + " removed (" + MeasureRange(m, x->second.end) + ")");
      } else if (x->second.bytes != y->second.bytes) {
        std::vector<std::string> changes;
        if (x->second.end != y->second.end) {
          changes.push_back(MeasureRange(m, x->second.end) + kArrow +
                            MeasureRange(m, y->second.end));
        }
        for (const std::string& change : FieldChanges(kFrozenSystemTag, x->second.bytes, va_,
                                                      y->second.bytes, vb_, {"endMeasure"})) {
          changes.push_back(change);
        }
        Add(prefix_ + name + ": " + Join(changes));
      }
    }
  }

  void Rests(const PartView& a, const PartView& b) {
    std::map<int, const RestView*> in_a, in_b;
    for (const RestView& r : a.rests) in_a[r.first] = &r;
    for (const RestView& r : b.rests) in_b[r.first] = &r;
    std::set<int> done;
    for (const auto& [first, old] : in_a) {
      auto kept = in_b.find(first);
      if (kept == in_b.end()) continue;
      int m = kept->second->end;
      if (m <= first || m >= old->end || in_a.count(m) > 0) continue;
      auto piece = in_b.find(m);
      if (piece == in_b.end() || piece->second->end != old->end) continue;
      Add(prefix_ + "rest " + MeasureRange(first, old->end) + " split at measure " +
          std::to_string(m) + kArrow + MeasureRange(first, m) + " and " +
          MeasureRange(m, old->end));
      for (const RestView* now : {kept->second, piece->second}) {
        auto changes = FieldChanges(kRestTag, old->bytes, va_, now->bytes, vb_, {"endMeasure"});
        if (!changes.empty()) {
          Add(prefix_ + "rest " + MeasureRange(now->first, now->end) + ", compared with rest " +
              MeasureRange(first, old->end) + ": " + Join(changes));
        }
      }
      done.insert(first);
      done.insert(m);
    }
    std::set<int> starts;
    for (const auto& entry : in_a) starts.insert(entry.first);
    for (const auto& entry : in_b) starts.insert(entry.first);
    for (int first : starts) {
      if (done.count(first) > 0) continue;
      auto x = in_a.find(first), y = in_b.find(first);
      if (x == in_a.end()) {
        Add(prefix_ + "rest " + MeasureRange(first, y->second->end) + " added");
      } else if (y == in_b.end()) {
        Add(prefix_ + "rest " + MeasureRange(first, x->second->end) + " removed");
      } else if (x->second->bytes != y->second->bytes) {
        std::vector<std::string> changes;
        if (x->second->end != y->second->end) {
          changes.push_back(MeasureRange(first, x->second->end) + kArrow +
                            MeasureRange(first, y->second->end));
        }
        for (const std::string& change :
             FieldChanges(kRestTag, x->second->bytes, va_, y->second->bytes, vb_, {"endMeasure"})) {
          changes.push_back(change);
        }
        Add(prefix_ + "rest at measure " + std::to_string(first) + ": " + Join(changes));
      }
    }
  }

  const HostDocument& doc_a_;
  const HostDocument& doc_b_;
  ScoreView a_, b_;
  uint32_t va_, vb_;
  std::string prefix_;  // "part 2: " while a part is compared
  std::vector<std::string> lines_;
};

}  // namespace

std::vector<std::string> DocumentDiff::Describe(const HostDocument& before,
                                                const HostDocument& after) {
  return Differ(before, after).Run();
}

}  // namespace standin
