#include "plugin/start_new_piece.h"

// Provisional: refuses until the layout handlers exist.
bool StartNewPiece(const QCMusicRegion& /*region*/) {
  return false;
}
