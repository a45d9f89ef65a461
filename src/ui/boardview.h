#pragma once
// Which side the board is seen from. Seen from gote's side (盤面反転) every square, piece, label,
// stand, layer and mark turns with the board, and presses map back to the squares shown; the
// position itself never changes.

#include "support/types.h"

// Whether the board is drawn as gote sees it.
bool boardTurned();
void setBoardTurned(bool turned);
// The side whose pieces stand upright and whose stand is on the right: sente, or gote when turned.
inline Side viewSide() { return boardTurned() ? GOTE : SENTE; }
