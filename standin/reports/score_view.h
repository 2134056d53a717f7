// ScoreView: a host document read as music, for the picture and the
// differences that the quillo program prints.
//
// It reads the records through RecordLayouts, in the layout of the
// document's host version, and keeps copies of what it read: measures with
// their piece marks, measure-number regions, the rest split setting and, per
// part, the systems with their staff lists, staff details and frozen-system
// records, and the multimeasure rests. Records too short for a field are
// still listed, with that field read as 0 and `complete` false. The view
// owns its data and does not refer back to the document.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "standin/store/host_document.h"

namespace standin {

struct MeasureView {
  int number = 0;
  uint16_t flags1 = 0;
  uint16_t flags2 = 0;
  bool complete = true;
  Bytes bytes;
  // Start-of-piece marks: both, or only one of the two, are set.
  bool PieceStart() const;
  bool PartialPieceStart() const;
  bool PieceEnd() const;
};

struct SystemView {
  int number = 0;  // the cmper
  int first = 0;   // firstMeasure
  int end = 0;     // endMeasure, exclusive
  int indent = 0;
  uint16_t flags = 0;
  bool complete = true;
  Bytes bytes;
};

struct StaffEntryView {
  int staff = 0;
  Bytes bytes;
};

struct RestView {
  int first = 0;  // the cmper
  int end = 0;    // endMeasure, exclusive
  bool complete = true;
  Bytes bytes;
};

struct RegionView {
  int cmper = 0;
  int first = 0;
  int end = 0;
  int cleared = 0;  // clearedOnSplit
  bool complete = true;
  Bytes bytes;
};

struct FrozenView {
  int end = 0;
  Bytes bytes;
};

struct PartView {
  int id = 0;
  bool has_part_record = false;
  std::vector<SystemView> systems;                         // by number
  std::map<int, std::vector<StaffEntryView>> staff_lists;  // system number -> entries
  std::map<int, std::map<int, int>> details;               // system -> staff -> detailValue
  std::map<int, FrozenView> frozen;                        // first measure -> record
  std::vector<RestView> rests;                             // by first measure

  const SystemView* SystemNumbered(int number) const;
};

// Records of the kinds that the record table lists one by one (those with no
// picture of their own), named by how their kind is addressed: "tempo mark
// at measure 13", "tempo mark 3", "tempo mark 3/1", after "part 2: " for a
// record each part keeps.
bool IsListed(const RecordKey& key);
std::string ListedRecordName(const RecordKey& key);
// A listed record's fields by name in the layout of `host_version`, "mode
// 0x0001, beats 4, title \"Allegro\"" ("no fields" when it has none); a
// record not of its layout's size reads "N bytes, not the layout's M".
std::string ListedRecordFields(const RecordKey& key, const Bytes& bytes, uint32_t host_version);

// "5–8" for the measures from `first` up to but not including `end`; "9" for
// one measure; "none at 9" when `end` is not after `first`.
std::string MeasureRange(int first, int end);

class ScoreView {
 public:
  explicit ScoreView(const HostDocument& document);

  // True for the records that the view reads as measures, regions, systems,
  // staff lists, staff details, frozen systems and rests; every other record
  // (settings, parts, enclosures, and records at unexpected addresses) is
  // left to be treated one by one.
  static bool Reads(const RecordKey& key);

  uint32_t host_version() const { return host_version_; }
  const std::vector<MeasureView>& measures() const { return measures_; }
  const std::vector<RegionView>& regions() const { return regions_; }
  const std::vector<PartView>& parts() const { return parts_; }
  // Word 4 of the 'ot83' setting record, when the document has it.
  std::optional<int> split_gate() const { return split_gate_; }

  const MeasureView* Measure(int number) const;
  const PartView* Part(int id) const;

  // The measure axis: from the first to the last measure that any measure,
  // system, rest or region reaches. Empty when the document has none.
  bool HasMeasures() const { return first_measure_ <= last_measure_; }
  int first_measure() const { return first_measure_; }
  int last_measure() const { return last_measure_; }

  // The lowest and highest measure record, when there is one.
  std::optional<std::pair<int, int>> MeasureRecordRange() const;

  // Measures that begin a piece: the axis's first measure, then every measure
  // with a start-of-piece mark.
  std::vector<int> PieceStarts() const;

 private:
  // The steps of reading a document: its parts, then each record, then the
  // measure axis.
  void ListParts(const HostDocument& document);
  void ReadDocumentRecord(const RecordKey& key, const Bytes& bytes);
  void ReadPartRecord(const RecordKey& key, const Bytes& bytes, PartView* part);
  void FindAxis();

  uint32_t host_version_;
  std::map<int, size_t> part_index_;  // part id -> index in parts_
  std::vector<MeasureView> measures_;
  std::vector<RegionView> regions_;
  std::vector<PartView> parts_;
  std::optional<int> split_gate_;
  int first_measure_ = 1;
  int last_measure_ = 0;
};

}  // namespace standin
