#include "standin/reports/document_picture.h"

#include <algorithm>
#include <cstdio>
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
      return "0";
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
  return "0";
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

  // Writes `text` from the start of `measure` on, stopping before measure
  // `limit`.
  void Text(int measure, int limit, const std::string& text, Style style) {
    int column = Column(measure), stop = Column(limit);
    for (size_t i = 0; i < text.size() && column + static_cast<int>(i) < stop; ++i) {
      PutColumn(column + static_cast<int>(i), text[i], style);
    }
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
    for (int column = from; column < to; ++column) PutColumn(column, '-', style);
    PutColumn(from, '[', style);
    PutColumn(to - 1, ']', style);
    int length = static_cast<int>(label.size());
    int at = length <= width - 2 ? from + 1 : length <= width ? from : to;
    for (int i = 0; i < length && at < to; ++i)
      PutColumn(at + i, label[static_cast<size_t>(i)], style);
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
        line += std::string("\x1b[") + Ansi(cell.style) + "m";
        current = cell.style;
      }
      line += cell.c;
    }
    if (options_.color && current != kPlain) line += "\x1b[0m";
    return Trim(line) + "\n";
  }

  std::string Heading(const std::string& text) {
    if (!options_.color) return text + "\n";
    return std::string("\x1b[") + Ansi(kHeading) + "m" + text + "\x1b[0m\n";
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
  for (const auto& [measure, frozen] : part.frozen) {
    if (part.SystemStartingAt(measure) == nullptr) {
      notes->push_back(name + "the frozen-system record at measure " + std::to_string(measure) +
                       " belongs to no system");
    }
  }
}

}  // namespace

std::string DocumentPicture::Render(const HostDocument& document, const PictureOptions& options) {
  const ScoreView view(document);
  Painter painter(options);
  std::string out;
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
  out += painter.Heading(summary);
  if (!view.HasMeasures()) return out + "no measures, systems, rests or regions\n";

  int first = view.first_measure(), last = view.last_measure();
  if (last - first + 1 > kLongestAxis && view.MeasureRecordRange()) {
    first = view.MeasureRecordRange()->first;
    last = std::min(view.MeasureRecordRange()->second, first + kLongestAxis - 1);
  }
  const int count = last - first + 1;
  // As many columns per measure as the width allows, from 1 to kWidestMeasure.
  const int scale = std::clamp((options.width - kLabelWidth) / count, 1, kWidestMeasure);
  auto row = [&] { return Row(first, count, scale); };

  Row piece = row();
  for (const MeasureView& measure : view.measures()) {
    if (measure.PieceEnd() && measure.PieceStart()) {
      piece.Put(measure.number, 'X', kStart);
    } else if (measure.PieceStart()) {
      piece.Put(measure.number, 'S', kStart);
    } else if (measure.PartialPieceStart()) {
      piece.Put(measure.number, 's', kStart);
    } else if (measure.PieceEnd()) {
      piece.Put(measure.number, 'E', kEnd);
    }
  }
  Row numbers = row();
  for (size_t i = 0; i < view.regions().size(); ++i) {
    const RegionView& region = view.regions()[i];
    numbers.Segment(region.first, region.end, std::to_string(region.cmper),
                    i % 2 == 0 ? kRegionA : kRegionB);
  }
  struct PartRows {
    const PartView* part;
    Row systems, indents, rests;
  };
  std::vector<PartRows> part_rows;
  for (const PartView& part : view.parts()) {
    PartRows rows{&part, row(), row(), row()};
    for (size_t i = 0; i < part.systems.size(); ++i) {
      const SystemView& system = part.systems[i];
      rows.systems.Segment(system.first, system.end, std::to_string(system.number),
                           i % 2 == 0 ? kSystemA : kSystemB);
      if (system.indent != 0) {
        rows.indents.Text(system.first, std::max(system.end, system.first + 1),
                          std::to_string(system.indent), kIndent);
      }
    }
    for (const RestView& rest : part.rests) {
      rows.rests.Segment(rest.first, rest.end, std::to_string(rest.end - rest.first), kRest);
    }
    part_rows.push_back(std::move(rows));
  }

  // Bands of whole measures.
  const int band = std::max(kMinimumBand, options.width - kLabelWidth) / scale * scale;
  const int columns = count * scale;
  for (int from = 0; from < columns; from += band) {
    const int to = std::min(columns, from + band);
    const int band_first = first + from / scale, band_end = first + to / scale;
    // The ruler: the band's first measure, then every tenth, where they fit.
    Row ruler = row();
    for (int m = band_first; m < band_end; ++m) ruler.Put(m, '.', kRuler);
    int free_column = 0;
    for (int m = band_first; m < band_end; ++m) {
      if (m != band_first && m % 10 != 0) continue;
      std::string number = std::to_string(m);
      if (ruler.Column(m) < free_column) continue;
      ruler.Text(m, band_end, number, kRuler);
      free_column = ruler.Column(m) + static_cast<int>(number.size()) + 1;
    }
    out += "\n";
    out += painter.Line("measure", &ruler, from, to);
    out += painter.Line("piece", &piece, from, to);
    out += painter.Line("numbers", &numbers, from, to);
    for (const PartRows& rows : part_rows) {
      std::string heading = "part " + std::to_string(rows.part->id);
      if (rows.part->id == document.current_part) heading += " (current)";
      if (!rows.part->has_part_record) heading += " (no part record)";
      out += painter.Line(heading, nullptr, 0, 0);
      out += painter.Line("  systems", &rows.systems, from, to);
      out += painter.Line("  indent", &rows.indents, from, to);
      if (!rows.part->rests.empty()) out += painter.Line("  rests", &rows.rests, from, to);
    }
  }

  // The same facts as measure ranges.
  out += "\n";
  std::vector<std::string> items;
  std::vector<int> starts = view.PieceStarts();
  for (size_t i = 0; i < starts.size(); ++i) {
    int end = i + 1 < starts.size() ? starts[i + 1] : view.last_measure() + 1;
    items.push_back(MeasureRange(starts[i], end));
  }
  out += Wrapped("pieces: ", items, options.width);
  items.clear();
  for (const RegionView& region : view.regions()) {
    items.push_back(std::to_string(region.cmper) + " (" + MeasureRange(region.first, region.end) +
                    ")");
  }
  if (!items.empty()) out += Wrapped("measure-number regions: ", items, options.width);
  if (view.split_gate()) {
    out += *view.split_gate() == 0 ? "rests are split at a new piece (ot83 word 4 is 0)\n"
                                   : "rests are left whole at a new piece (ot83 word 4 is " +
                                         std::to_string(*view.split_gate()) + ")\n";
  }
  std::vector<std::string> notes;
  for (const PartView& part : view.parts()) {
    std::string prefix = "part " + std::to_string(part.id) + " systems: ";
    items.clear();
    for (const SystemView& system : part.systems) items.push_back(SystemItem(system));
    if (items.empty()) items.push_back("none");
    out += Wrapped(prefix, items, options.width);
    if (!part.rests.empty()) {
      items.clear();
      for (const RestView& rest : part.rests) items.push_back(MeasureRange(rest.first, rest.end));
      out += Wrapped(std::string(prefix.size() - 7, ' ') + "rests: ", items, options.width);
    }
    CheckPart(part, &notes);
  }
  for (const std::string& note : notes) out += "check: " + note + "\n";
  return out;
}

}  // namespace standin
