// ExampleDocuments: the documents bundled under examples/, built in code so
// that every file is consistent (systems that follow each other, frozen-
// system records that match their systems, staff lists for every system).
//
//   suite            a suite in three movements for score and three parts;
//                    the third movement already starts a piece, the second
//                    (measure 13) does not yet; rests are split at a new piece
//   three-parts      a short piece for score and three parts whose second half
//                    (measure 9) does not yet start a piece; rests stay whole
//   host-XXXXXXXX    the same small score and two parts at a host version
//                    in each range of record layouts (host-0E000000, ...)
#pragma once

#include <string>
#include <vector>

#include "standin/store/host_document.h"

namespace standin {

class ExampleDocuments {
 public:
  // The names above, in that order, the host versions ascending.
  static std::vector<std::string> Names();

  // Fills `document` with the example called `name`; false for an unknown
  // name.
  static bool Build(const std::string& name, HostDocument* document);
};

}  // namespace standin
