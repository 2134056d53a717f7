#include "standin/reports/document_picture.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <string_view>
#include <vector>

#include "standin/reports/score_view.h"
#include "standin/store/record_layouts.h"

namespace standin {
namespace {

constexpr int kLabelWidth = 14;
constexpr int kMinimumBand = 20;
constexpr int kWidestMeasure = 3;
// Axes longer than this are drawn only over the measure records.
constexpr int kLongestAxis = 5000;

enum Style {
  kPlain,
  kRuler,
  kHeading,
  kSystemA,
  kSystemB,
  kRegionA,
  kRegionB,
  kRest,
  kIndent,
  kStart,
  kEnd,
};

const char* Ansi(Style style) {
  switch (style) {
    case kPlain:
      break;
    case kRuler:
      return "2";
    case kHeading:
      return "1";
    case kSystemA:
      return "36";
    case kSystemB:
      return "34";
    case kRegionA:
      return "32";
    case kRegionB:
      return "33";
    case kRest:
      return "35";
    case kIndent:
      return "33";
    case kStart:
      return "1;32";
    case kEnd:
      return "1;31";
  }
  return "0";  // kPlain: the terminal's own
}

// The escape that switches the terminal to `style`.
std::string Escape(Style style) {
  return std::string("\x1b[") + Ansi(style) + "m";
}

struct Cell {
  char c = ' ';
  Style style = kPlain;
};

// One row of cells over the whole axis, `scale` columns per measure.
class Row {
 public:
  Row(int first_measure, int count, int scale)
      : first_(first_measure), scale_(scale), cells_(static_cast<size_t>(count * scale)) {}

  int size() const { return static_cast<int>(cells_.size()); }
  const Cell& at(int column) const { return cells_[static_cast<size_t>(column)]; }

  // The first column of `measure`.
  int Column(int measure) const { return (measure - first_) * scale_; }

  void PutColumn(int column, char c, Style style) {
    if (column >= 0 && column < size()) cells_[static_cast<size_t>(column)] = {c, style};
  }

  void Put(int measure, char c, Style style) { PutColumn(Column(measure), c, style); }

  // Writes `text` from the start of `measure` on when all of it fits in the
  // row before measure `limit`; false, writing nothing, when it does not, as
  // a part of a number would read as another.
  bool Text(int measure, int limit, const std::string& text, Style style) {
    const int column = Column(measure), stop = std::min(Column(limit), size());
    if (column < 0 || column + static_cast<int>(text.size()) > stop) return false;
    for (size_t i = 0; i < text.size(); ++i)
      PutColumn(column + static_cast<int>(i), text[i], style);
    return true;
  }

  // The measures first..end-1 as "[label--]"; the label is left out when it
  // does not fit.
  void Segment(int first, int end, const std::string& label, Style style) {
    int from = Column(first), to = Column(end), width = to - from;
    if (width <= 0) return;
    if (width == 1) {
      PutColumn(from, label.size() == 1 ? label[0] : '|', style);
      return;
    }
    // Only the columns the row has: a segment may reach far past them.
    for (int column = std::max(from, 0); column < std::min(to, size()); ++column) {
      PutColumn(column, '-', style);
    }
    PutColumn(from, '[', style);
    PutColumn(to - 1, ']', style);
    int length = static_cast<int>(label.size());
    int at = length <= width - 2 ? from + 1 : length <= width ? from : to;
    // Whole within the row or not at all: the segment may begin in an
    // earlier band or end in a later one.
    if (at < 0 || at + length > std::min(to, size())) return;
    for (int i = 0; i < length; ++i) PutColumn(at + i, label[static_cast<size_t>(i)], style);
  }

 private:
  int first_;
  int scale_;
  std::vector<Cell> cells_;
};

class Painter {
 public:
  explicit Painter(const PictureOptions& options) : options_(options) {}

  std::string Line(const std::string& label, const Row* row, int from, int to) {
    std::string line = label;
    if (row == nullptr) return Trim(line) + "\n";
    if (static_cast<int>(line.size()) < kLabelWidth) line.resize(kLabelWidth, ' ');
    Style current = kPlain;
    for (int column = from; column < to; ++column) {
      const Cell& cell = row->at(column);
      if (options_.color && cell.style != current && cell.c != ' ') {
        line += Escape(cell.style);
        current = cell.style;
      }
      line += cell.c;
    }
    // Trimmed before the colour is closed, so that a coloured line ends as
    // a plain one does.
    line = Trim(line);
    if (options_.color && current != kPlain) line += Escape(kPlain);
    return line + "\n";
  }

  std::string Heading(const std::string& text) {
    if (!options_.color) return text + "\n";
    return Escape(kHeading) + text + Escape(kPlain) + "\n";
  }

 private:
  static std::string Trim(std::string line) {
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
  }
  const PictureOptions& options_;
};

// `items` joined by ", " after `prefix`, wrapped at `width` with the
// continuation lines indented under the first item.
std::string Wrapped(const std::string& prefix, const std::vector<std::string>& items, int width) {
  std::string text = prefix, line_start_pad(prefix.size(), ' ');
  size_t line_length = prefix.size();
  for (size_t i = 0; i < items.size(); ++i) {
    std::string item = items[i] + (i + 1 < items.size() ? "," : "");
    size_t needed = item.size() + (line_length > prefix.size() ? 1 : 0);
    if (line_length > prefix.size() && line_length + needed > static_cast<size_t>(width)) {
      text += "\n" + line_start_pad;
      line_length = prefix.size();
      needed = item.size();
    }
    if (line_length > prefix.size()) text += " ";
    text += item;
    line_length += needed;
  }
  return text + "\n";
}

std::string SystemItem(const SystemView& system) {
  std::string item = std::to_string(system.number) + " (" + MeasureRange(system.first, system.end);
  if (system.indent != 0) item += ", indent " + std::to_string(system.indent);
  return item + ")";
}

// Disagreements between records of one part that the host keeps in step.
void CheckPart(const PartView& part, std::vector<std::string>* notes) {
  std::string name = "part " + std::to_string(part.id) + ": ";
  const SystemView* previous = nullptr;
  for (const SystemView& system : part.systems) {
    std::string label = "system " + std::to_string(system.number) + " (" +
                        MeasureRange(system.first, system.end) + ")";
    if (!system.complete) notes->push_back(name + label + " is too short to read in full");
    if (previous != nullptr && previous->end != system.first) {
      notes->push_back(name + label + " does not begin where system " +
                       std::to_string(previous->number) + " (" +
                       MeasureRange(previous->first, previous->end) + ") ends");
    }
    previous = &system;
    if (!part.frozen.empty()) {
      auto frozen = part.frozen.find(system.first);
      if (frozen == part.frozen.end()) {
        notes->push_back(name + label + " has no frozen-system record");
      } else if (frozen->second.end != system.end) {
        notes->push_back(name + label + ": its frozen-system record says " +
                         MeasureRange(system.first, frozen->second.end));
      }
    }
    if (!part.staff_lists.empty() && part.staff_lists.count(system.number) == 0) {
      notes->push_back(name + label + " has no staff list");
    }
  }
  std::set<int> firsts;
  for (const SystemView& system : part.systems) firsts.insert(system.first);
  for (const auto& [measure, frozen] : part.frozen) {
    if (firsts.count(measure) == 0) {
      notes->push_back(name + "the frozen-system record at measure " + std::to_string(measure) +
                       " belongs to no system");
    }
  }
}

// The items of one row that reach into a band, band after band. Items are
// handed over in their own order, so that where they overlap, the later
// one is drawn over the earlier one, as the row's order says.
class BandWalk {
 public:
  // `spans[i]` is item i's measures, first..end-1.
  explicit BandWalk(std::vector<std::pair<int, int>> spans) : spans_(std::move(spans)) {
    for (size_t i = 0; i < spans_.size(); ++i) by_first_.push_back(i);
    std::stable_sort(by_first_.begin(), by_first_.end(),
                     [this](size_t a, size_t b) { return spans_[a].first < spans_[b].first; });
  }

  // The items reaching into measures band_first..band_end-1; bands must be
  // asked for in ascending order.
  std::vector<size_t> Next(int band_first, int band_end) {
    while (next_ < by_first_.size() && spans_[by_first_[next_]].first < band_end) {
      active_.push_back(by_first_[next_++]);
    }
    std::vector<size_t> kept, reaching;
    for (size_t i : active_) {
      // An empty span is drawn at its first measure.
      int end = std::max(spans_[i].second, spans_[i].first + 1);
      if (end <= band_first) continue;
      kept.push_back(i);
      reaching.push_back(i);
    }
    active_ = std::move(kept);
    std::sort(reaching.begin(), reaching.end());
    return reaching;
  }

 private:
  std::vector<std::pair<int, int>> spans_;
  std::vector<size_t> by_first_;
  size_t next_ = 0;
  std::vector<size_t> active_;
};

template <typename Item>
std::vector<std::pair<int, int>> Spans(const std::vector<Item>& items) {
  std::vector<std::pair<int, int>> spans;
  for (const Item& item : items) spans.emplace_back(item.first, item.end);
  return spans;
}

// The measures drawn: the whole axis, or, when that is too long to draw, the
// measure records' range (else the axis), cut to kLongestAxis measures.
struct Axis {
  int first = 0;
  int count = 0;
  int scale = 1;  // columns per measure
  int band = 0;   // columns per band, whole measures
};

Axis ChooseAxis(const ScoreView& view, const PictureOptions& options) {
  Axis axis;
  axis.first = view.first_measure();
  int last = view.last_measure();
  if (last - axis.first + 1 > kLongestAxis) {
    if (auto records = view.MeasureRecordRange()) {
      axis.first = records->first;
      last = records->second;
    }
    last = std::min(last, axis.first + kLongestAxis - 1);
  }
  axis.count = last - axis.first + 1;
  // As many columns per measure as the width allows, from 1 to kWidestMeasure.
  axis.scale = std::clamp((options.width - kLabelWidth) / axis.count, 1, kWidestMeasure);
  axis.band = std::max(kMinimumBand, options.width - kLabelWidth) / axis.scale * axis.scale;
  return axis;
}

// Draws the picture band by band, each row over one band at a time, so
// that what it holds is one band's rows whatever the axis's length.
class BandPainter {
 public:
  BandPainter(const ScoreView& view, const HostDocument& document, const Axis& axis,
              const PictureOptions& options, const DocumentPicture::Sink& write)
      : view_(view),
        document_(document),
        axis_(axis),
        painter_(options),
        write_(write),
        regions_(Spans(view.regions())) {
    for (const PartView& part : view.parts()) {
      systems_.emplace_back(Spans(part.systems));
      rests_.emplace_back(Spans(part.rests));
    }
  }

  // Draws every band, or stops at the first piece the sink refuses; false
  // then.
  bool Run() {
    const int columns = axis_.count * axis_.scale;
    for (int from = 0; from < columns && !stopped_; from += axis_.band) {
      const int to = std::min(columns, from + axis_.band);
      Band(axis_.first + from / axis_.scale, axis_.first + to / axis_.scale);
    }
    return !stopped_;
  }

 private:
  Row NewRow(int band_first, int band_end) const {
    return Row(band_first, band_end - band_first, axis_.scale);
  }

  void Band(int band_first, int band_end) {
    Write("\n");
    Line("measure", Ruler(band_first, band_end));
    Line("piece", Pieces(band_first, band_end));
    Row numbers = NewRow(band_first, band_end);
    for (size_t i : regions_.Next(band_first, band_end)) {
      const RegionView& region = view_.regions()[i];
      numbers.Segment(region.first, region.end, std::to_string(region.cmper),
                      i % 2 == 0 ? kRegionA : kRegionB);
    }
    Line("numbers", numbers);
    for (size_t p = 0; p < view_.parts().size(); ++p) PartBand(p, band_first, band_end);
  }

  void PartBand(size_t p, int band_first, int band_end) {
    const PartView& part = view_.parts()[p];
    std::string heading = "part " + std::to_string(part.id);
    if (part.id == document_.current_part) heading += " (current)";
    if (!part.has_part_record) heading += " (no part record)";
    Write(painter_.Line(heading, nullptr, 0, 0));
    Row systems = NewRow(band_first, band_end), indents = NewRow(band_first, band_end);
    for (size_t i : systems_[p].Next(band_first, band_end)) {
      const SystemView& system = part.systems[i];
      systems.Segment(system.first, system.end, std::to_string(system.number),
                      i % 2 == 0 ? kSystemA : kSystemB);
      if (system.indent != 0) {
        indents.Text(system.first, std::max(system.end, system.first + 1),
                     std::to_string(system.indent), kIndent);
      }
    }
    Line("  systems", systems);
    Line("  indent", indents);
    Row rests = NewRow(band_first, band_end);
    for (size_t i : rests_[p].Next(band_first, band_end)) {
      const RestView& rest = part.rests[i];
      rests.Segment(rest.first, rest.end, std::to_string(rest.end - rest.first), kRest);
    }
    if (!part.rests.empty()) Line("  rests", rests);
  }

  // The band's first measure, then every tenth, where they fit.
  Row Ruler(int band_first, int band_end) const {
    Row ruler = NewRow(band_first, band_end);
    for (int m = band_first; m < band_end; ++m) ruler.Put(m, '.', kRuler);
    int free_column = 0;
    for (int m = band_first; m < band_end; ++m) {
      if (m != band_first && m % 10 != 0) continue;
      std::string number = std::to_string(m);
      const int column = ruler.Column(m);
      if (column < free_column || !ruler.Text(m, band_end, number, kRuler)) continue;
      free_column = column + static_cast<int>(number.size()) + 1;
    }
    return ruler;
  }

  Row Pieces(int band_first, int band_end) const {
    Row piece = NewRow(band_first, band_end);
    const std::vector<MeasureView>& measures = view_.measures();
    auto it = std::lower_bound(
        measures.begin(), measures.end(), band_first,
        [](const MeasureView& measure, int number) { return measure.number < number; });
    for (; it != measures.end() && it->number < band_end; ++it) {
      if (it->PieceEnd() && it->PieceStart()) {
        piece.Put(it->number, 'X', kStart);
      } else if (it->PieceStart()) {
        piece.Put(it->number, 'S', kStart);
      } else if (it->PartialPieceStart()) {
        piece.Put(it->number, 's', kStart);
      } else if (it->PieceEnd()) {
        piece.Put(it->number, 'E', kEnd);
      }
    }
    return piece;
  }

  void Write(std::string_view text) { stopped_ = stopped_ || !write_(text); }

  void Line(const std::string& label, const Row& row) {
    Write(painter_.Line(label, &row, 0, row.size()));
  }

  const ScoreView& view_;
  const HostDocument& document_;
  const Axis& axis_;
  Painter painter_;
  const DocumentPicture::Sink& write_;
  BandWalk regions_;
  std::vector<BandWalk> systems_, rests_;
  bool stopped_ = false;  // the sink refused a piece
};

std::string Summary(const HostDocument& document, const ScoreView& view,
                    const PictureOptions& options) {
  char version[12];
  std::snprintf(version, sizeof version, "0x%08X", document.host_version);
  std::string title = options.title.empty() ? "document" : options.title;
  std::string summary = title + ": host version " + version + ", document " +
                        std::to_string(document.document_id) + ", " +
                        std::to_string(document.parts.size()) +
                        (document.parts.size() == 1 ? " part" : " parts");
  if (view.HasMeasures()) {
    summary += ", measures " + MeasureRange(view.first_measure(), view.last_measure() + 1);
  }
  return summary;
}

// The records of kinds with no picture of their own, one line each.
void WriteListed(const HostDocument& document, const DocumentPicture::Sink& write) {
  for (const auto& [key, bytes] : document.records()) {
    if (IsListed(key)) {
      write(ListedRecordName(key) + ": " + ListedRecordFields(key, bytes, document.host_version) +
            "\n");
    }
  }
}

// The same facts as the bands, as measure ranges, the records that have no
// picture of their own one by one, then what disagrees.
void WriteFacts(const HostDocument& document, const ScoreView& view, const PictureOptions& options,
                const DocumentPicture::Sink& write) {
  write("\n");
  std::vector<std::string> items;
  std::vector<int> starts = view.PieceStarts();
  for (size_t i = 0; i < starts.size(); ++i) {
    int end = i + 1 < starts.size() ? starts[i + 1] : view.last_measure() + 1;
    items.push_back(MeasureRange(starts[i], end));
  }
  write(Wrapped("pieces: ", items, options.width));
  items.clear();
  for (const RegionView& region : view.regions()) {
    items.push_back(std::to_string(region.cmper) + " (" + MeasureRange(region.first, region.end) +
                    ")");
  }
  if (!items.empty()) write(Wrapped("measure-number regions: ", items, options.width));
  if (view.split_gate()) {
    write(*view.split_gate() == 0 ? "rests are split at a new piece (ot83 word 4 is 0)\n"
                                  : "rests are left whole at a new piece (ot83 word 4 is " +
                                        std::to_string(*view.split_gate()) + ")\n");
  }
  std::vector<std::string> notes;
  for (const PartView& part : view.parts()) {
    std::string prefix = "part " + std::to_string(part.id) + " systems: ";
    items.clear();
    for (const SystemView& system : part.systems) items.push_back(SystemItem(system));
    if (items.empty()) items.push_back("none");
    write(Wrapped(prefix, items, options.width));
    if (!part.rests.empty()) {
      items.clear();
      for (const RestView& rest : part.rests) items.push_back(MeasureRange(rest.first, rest.end));
      write(Wrapped(std::string(prefix.size() - 7, ' ') + "rests: ", items, options.width));
    }
    CheckPart(part, &notes);
  }
  WriteListed(document, write);
  for (const std::string& note : notes) write("check: " + note + "\n");
}

}  // namespace

void DocumentPicture::Render(const HostDocument& document, const PictureOptions& options,
                             const Sink& write) {
  const ScoreView view(document);
  Painter painter(options);
  if (!write(painter.Heading(Summary(document, view, options)))) return;
  if (!view.HasMeasures()) {
    write("no measures, systems, rests or regions\n");
    WriteListed(document, write);
    return;
  }
  const Axis axis = ChooseAxis(view, options);
  if (!BandPainter(view, document, axis, options, write).Run()) return;
  // The facts are as long as the document at most, and are not cut short.
  WriteFacts(document, view, options, write);
}

std::string DocumentPicture::Render(const HostDocument& document, const PictureOptions& options) {
  std::string out;
  Render(document, options, [&out](std::string_view text) {
    out += text;
    return true;
  });
  return out;
}

}  // namespace standin
