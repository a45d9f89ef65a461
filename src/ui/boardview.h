#pragma once
// Which side the board is seen from. Seen from gote's side (盤面反転) every square, piece, label,
// stand, layer and mark turns with the board, and presses map back to the squares shown; the
// position itself never changes. A value the window hands to whatever draws or maps presses.

#include "support/types.h"

struct BoardView {
    // Whether the board is drawn as gote sees it.
    bool turned = false;
    // The side whose pieces stand upright and whose stand is on the right: sente, or gote when turned.
    Side side() const { return turned ? GOTE : SENTE; }
    bool operator==(const BoardView &) const = default;
};
