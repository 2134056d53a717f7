// DocumentPicture: a host document drawn for the terminal.
//
// One column per measure, all rows on one measure axis, wrapped into bands
// when the axis is wider than the terminal. Rows: a measure ruler, the piece
// marks (S start of a piece, E end of one, X both, s only one of the two
// start marks), the measure-number regions and, per part, its systems, their
// indents and its multimeasure rests. A number (a measure's, an indent, a
// label) is drawn whole or left out, never cut. Below the bands the same
// facts are listed as measure ranges, followed by any disagreement between
// records that should agree (a frozen-system record that does not match its
// system, systems that do not follow each other, a system without a staff
// list).
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "standin/store/host_document.h"

namespace standin {

struct PictureOptions {
  int width = 100;     // characters per line
  bool color = false;  // ANSI colours
  std::string title;   // first line, e.g. the file name
};

class DocumentPicture {
 public:
  // Receives the picture piece by piece, in order; answers false when no
  // more is wanted (the output is closed), and the drawing stops there.
  using Sink = std::function<bool(std::string_view)>;

  // Hands the picture of `document` to `write` as it is drawn: the memory it
  // takes is bounded by the document and the width, whatever measure ranges
  // the records claim (axes longer than a few thousand measures are drawn
  // only in part).
  static void Render(const HostDocument& document, const PictureOptions& options,
                     const Sink& write);
  // The whole picture as one text.
  static std::string Render(const HostDocument& document, const PictureOptions& options);
};

}  // namespace standin
