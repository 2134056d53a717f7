// The "Start New Piece" command.
#pragma once

#include "plugin/music_region.h"

// Starts a new piece at the region's start measure: a new system in every
// part, the multimeasure rest across it split (unless the preferences say
// otherwise), the piece-start and piece-end marks on that measure and the one
// before, and the measure-number region split. Returns false, having touched
// nothing, when the start measure is below 2; true once it has run.
bool StartNewPiece(const QCMusicRegion& region);
