// ScoreBuilder: writes records into a stand-in document by their meaning,
// for the tests of the picture and of the differences.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "standin/store/host_document.h"

namespace testing_support {

class ScoreBuilder {
 public:
  // Works on `doc` at its host version.
  explicit ScoreBuilder(standin::HostDocument* doc) : doc_(doc) {}

  // Measures first..last with the given flag words.
  void Measures(int first, int last, uint16_t flags1 = 0, uint16_t flags2 = 0);
  void MeasureFlags(int number, uint16_t flags1, uint16_t flags2);
  void System(int part, int number, int first, int end, int indent = 0);
  void Staves(int part, int system, std::initializer_list<int> staves);
  void Detail(int part, int system, int staff, int value);
  void Frozen(int part, int first, int end);
  void Rest(int part, int first, int end);
  void Region(int cmper, int first, int end, int cleared = 1);
  void SplitGate(int value);

 private:
  standin::HostDocument* doc_;
};

}  // namespace testing_support
