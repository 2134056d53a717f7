// The "Fix Indent" command.
#pragma once

#include "plugin/music_region.h"

// In every part, gives each system that begins inside the region's measure
// span (ends included) the indent of the part's first system when it begins a
// piece, none otherwise. System 1 is never changed. Always returns true.
bool FixIndent(const QCMusicRegion& region);
