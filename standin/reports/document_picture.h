// DocumentPicture: a host document drawn for the terminal.
//
// One column per measure, all rows on one measure axis, wrapped into bands
// when the axis is wider than the terminal. Rows: a measure ruler, the piece
// marks (S start of a piece, E end of one, X both, s only one of the two
// start marks), the measure-number regions and, per part, its systems, their
// indents and its multimeasure rests. Below the bands the same facts are
// listed as measure ranges, followed by any disagreement between records that
// should agree (a frozen-system record that does not match its system,
// systems that do not follow each other, a system without a staff list).
#pragma once

#include <string>

#include "standin/store/host_document.h"

namespace standin {

struct PictureOptions {
  int width = 100;     // characters per line
  bool color = false;  // ANSI colours
  std::string title;   // first line, e.g. the file name
};

class DocumentPicture {
 public:
  static std::string Render(const HostDocument& document, const PictureOptions& options);
};

}  // namespace standin
