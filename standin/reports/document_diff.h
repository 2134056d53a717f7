// DocumentDiff: what changed between two host documents, in words.
//
// Records are compared as the music they describe (ScoreView): systems are
// matched by the measures they cover, so a cut system reads as "system 3
// split at measure 9 → systems 3 (5–8) and 4 (9–12)" and the systems after
// it as renumbered, not as a dozen changed records; staff lists, staff
// details and frozen-system records are compared with those of the system
// they came from; rests and measure-number regions are matched by where
// they begin and their splits named; flag words are given as the bits that
// were set and cleared. Every other record is compared field by field, and
// uninterpreted bytes by the offsets that differ.
#pragma once

#include <string>
#include <vector>

#include "standin/store/host_document.h"

namespace standin {

class DocumentDiff {
 public:
  // One line per change: the document's header, settings and the other
  // records read one by one first, then measures, measure-number regions,
  // and part by part. Empty when both documents hold the same.
  static std::vector<std::string> Describe(const HostDocument& before, const HostDocument& after);
};

}  // namespace standin
