// Builders and compact views of a part's system layout in the stand-in
// document: staff systems, frozen systems and staff lists with their detail
// records. Views read the document directly, never through the module.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "standin/documents/record_builder.h"
#include "standin/reports/score_view.h"
#include "standin/store/host_document.h"
#include "tests/support/host_records.h"
#include "tests/support/host_test.h"

namespace testing_support {

struct SystemShape {
  int16_t first;
  int16_t end;
  int16_t indent = 0;
  uint16_t flags = 0;
};

// A system record; the bytes the module does not interpret are filled with
// recognisable values so that a test sees them carried along.
inline standin::Bytes SystemRecord(const SystemShape& s,
                                   uint32_t host_version = standin::kCurrentHostVersion) {
  standin::Bytes gaps = standin::RecordBuilder(kStaffSystemTag, host_version)
                            .GapWord(0, 0, 0xAAAA)
                            .GapWord(1, 0, 0xBBBB)
                            .GapWord(1, 1, 0xCCCC)
                            .GapWord(2, 0, 0xDDDD)
                            .GapWord(2, 6, 0xEEEE)
                            .Set("systemFlags", s.flags);
  return standin::StaffSystemRecord(
      host_version,
      {s.first, s.end, s.indent,
       (s.flags & standin::RecordLayouts::Mask(kStaffSystemTag, "systemFlags", {"ownStaffList"})) !=
           0},
      gaps);
}

// A `tag` record as the host makes it anew, but each byte outside the host's
// new-record words counting up from `seed`: gaps a test recognises.
inline standin::Bytes CountingRecord(uint32_t tag, uint32_t host_version, uint8_t seed) {
  standin::Bytes bytes = standin::RecordLayouts::New(tag, host_version);
  const standin::RecordLayout& layout = standin::RecordLayouts::Find(tag, host_version);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(seed + i);
  for (const standin::NewRecordWord& word : layout.new_record)
    standin::WriteWord(bytes, word.offset, word.value);
  return bytes;
}

// Lists `parts` as the document's parts, each with its part record.
inline void PutParts(standin::HostDocument& doc, std::vector<int16_t> parts) {
  doc.parts = std::move(parts);
  for (int16_t part : doc.parts) {
    doc.Put(kPartTag, static_cast<uint16_t>(part), 0,
            standin::RecordLayouts::Blank(kPartTag, doc.host_version));
  }
}

// Files the systems as 1, 2, 3, ... of `part`.
inline void PutSystems(standin::HostDocument& doc, int16_t part,
                       const std::vector<SystemShape>& systems) {
  uint16_t number = 1;
  for (const SystemShape& s : systems)
    doc.Put(kStaffSystemTag, number++, 0, SystemRecord(s, doc.host_version), part);
}

// Field `name` of a `tag` record of `doc`, as its kind reads it; 0 when the
// record is too short to hold it.
inline int FieldOf(const standin::HostDocument& doc, const standin::Bytes& bytes, uint32_t tag,
                   const char* name) {
  return standin::RecordLayouts::Read(bytes, tag, doc.host_version, name).value_or(0);
}

inline int16_t Word(const standin::Bytes& bytes, size_t offset) {
  return bytes.size() < offset + 2 ? int16_t{0}
                                   : static_cast<int16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

// Walks the records of `tag` in `part` in key order.
template <typename Fn>
void ForRecords(const standin::HostDocument& doc, int16_t part, uint32_t tag, Fn fn) {
  for (const auto& [key, bytes] : doc.records()) {
    if (key.part == part && key.tag == tag) fn(key, bytes);
  }
}

// "1:1-5/20 2:5-9/0": number:first-end/indent; a short record shows its size.
inline std::string SystemsText(const standin::HostDocument& doc, int16_t part) {
  std::string text;
  ForRecords(doc, part, kStaffSystemTag,
             [&](const standin::RecordKey& key, const standin::Bytes& b) {
               text += (text.empty() ? "" : " ") + std::to_string(key.cmper) + ":" +
                       std::to_string(FieldOf(doc, b, kStaffSystemTag, "firstMeasure")) + "-" +
                       std::to_string(FieldOf(doc, b, kStaffSystemTag, "endMeasure")) + "/" +
                       std::to_string(FieldOf(doc, b, kStaffSystemTag, "indent"));
               if (b.size() != standin::RecordLayouts::Find(kStaffSystemTag, doc.host_version).size)
                 text += "(" + std::to_string(b.size()) + "B)";
             });
  return text;
}

// "1:[3 4=-5] 2:[3]": each system's staff entries in inci order, with the
// value of the detail record filed beside an entry.
inline std::string StaffListsText(const standin::HostDocument& doc, int16_t part) {
  std::string text;
  int previous = -1;
  ForRecords(
      doc, part, kSystemStaffTag, [&](const standin::RecordKey& key, const standin::Bytes& b) {
        if (key.cmper != previous)
          text += std::string(previous < 0 ? "" : "] ") + std::to_string(key.cmper) + ":[";
        else
          text += " ";
        previous = key.cmper;
        const auto staff = static_cast<uint16_t>(FieldOf(doc, b, kSystemStaffTag, "staff"));
        text += std::to_string(staff);
        if (const standin::Bytes* detail = doc.Find(kStaffDetailTag, key.cmper, staff, part))
          text += "=" + std::to_string(FieldOf(doc, *detail, kStaffDetailTag, "detailValue"));
      });
  return previous < 0 ? text : text + "]";
}

// What a system shows of one staff: the entry's bytes and the value of the
// detail record beside it (100 when there is none; none is read under 0).
struct ShownStaff {
  standin::Bytes entry;
  int detail;
  friend bool operator==(const ShownStaff& a, const ShownStaff& b) {
    return a.entry == b.entry && a.detail == b.detail;
  }
};
// The staff list each system of the part shows, by system number: its own,
// or on hosts before kOwnStaffListsFrom, unless its record carries the
// own-list flag, the list filed under 0.
inline std::map<int, std::vector<ShownStaff>> ShownStaffLists(const standin::HostDocument& doc,
                                                              int16_t part);

// The staff lists of the part by system number, each as the sequence of its
// entries' bytes, as the stand-in's reading of the score has them (a list
// whose entry numbers leave gaps is one list).
inline std::map<int, std::vector<standin::Bytes>> StaffListsByNumber(
    const standin::HostDocument& doc, int16_t part) {
  std::map<int, std::vector<standin::Bytes>> lists;
  const standin::ScoreView view(doc);
  if (const standin::PartView* read = view.Part(part)) {
    for (const auto& [number, entries] : read->staff_lists) {
      for (const standin::StaffEntryView& entry : entries) lists[number].push_back(entry.bytes);
    }
  }
  return lists;
}

// "3/2=80": each staff detail record of the part filed under a number whose
// staff list has no entry for that staff (a list with gaps in its entry
// numbers read whole, as the host shows it).
inline std::string StrayDetails(const standin::HostDocument& doc, int16_t part) {
  const auto lists = StaffListsByNumber(doc, part);
  std::string text;
  ForRecords(doc, part, kStaffDetailTag,
             [&](const standin::RecordKey& key, const standin::Bytes& b) {
               const auto list = lists.find(key.cmper);
               if (list != lists.end()) {
                 for (const standin::Bytes& entry : list->second) {
                   if (FieldOf(doc, entry, kSystemStaffTag, "staff") == key.inci) return;
                 }
               }
               text += (text.empty() ? "" : " ") + std::to_string(key.cmper) + "/" +
                       std::to_string(key.inci) + "=" +
                       std::to_string(FieldOf(doc, b, kStaffDetailTag, "detailValue"));
             });
  return text;
}

// Files a staff entry as the next incidence of `system`, with a detail
// record beside it when `detail` is not 100.
inline void PutStaff(standin::HostDocument& doc, int16_t part, uint16_t system, uint16_t inci,
                     uint16_t staff, int16_t detail = 100) {
  doc.Put(
      kSystemStaffTag, system, inci,
      standin::SystemStaffRecord(doc.host_version, staff,
                                 standin::FilledRecord(kSystemStaffTag, doc.host_version, 0x11)),
      part);
  if (detail != 100)
    doc.Put(kStaffDetailTag, system, staff, standin::StaffDetailRecord(doc.host_version, detail),
            part);
}

// Files measure `number` in the host's layout at `host_version`, its flag
// words set and every other byte 0x33.
inline void PutMeasure(standin::HostDocument& doc, uint32_t host_version, uint16_t number,
                       uint16_t flags1, uint16_t flags2) {
  doc.Put(kMeasureTag, number, 0,
          standin::MeasureRecord(host_version, flags1, flags2,
                                 standin::FilledRecord(kMeasureTag, host_version, 0x33)));
}

inline std::map<int, std::vector<ShownStaff>> ShownStaffLists(const standin::HostDocument& doc,
                                                              int16_t part) {
  const auto lists = StaffListsByNumber(doc, part);
  std::map<int, std::vector<ShownStaff>> shown;
  ForRecords(
      doc, part, kStaffSystemTag, [&](const standin::RecordKey& key, const standin::Bytes& b) {
        const standin::FlagLayout& own_list =
            standin::RecordLayouts::Flag(kStaffSystemTag, "systemFlags", "ownStaffList");
        const bool own = doc.host_version >= own_list.until_version ||
                         standin::RecordLayouts::HasFlag(b, kStaffSystemTag, doc.host_version,
                                                         "systemFlags", "ownStaffList");
        const uint16_t number = own ? key.cmper : 0;
        std::vector<ShownStaff>& staves = shown[key.cmper];
        const auto list = lists.find(number);
        if (list == lists.end()) return;
        for (const standin::Bytes& entry : list->second) {
          const auto staff = static_cast<uint16_t>(FieldOf(doc, entry, kSystemStaffTag, "staff"));
          const standin::Bytes* detail =
              number == 0 ? nullptr : doc.Find(kStaffDetailTag, number, staff, part);
          staves.push_back({entry, detail == nullptr || detail->size() < 2
                                       ? 100
                                       : FieldOf(doc, *detail, kStaffDetailTag, "detailValue")});
        }
      });
  return shown;
}

}  // namespace testing_support
