#pragma once
// Trying a move without touching the game: the move is made on a private copy of the position and
// taken back there, so the game's history, move count and attack maps can never change.

#include "core/znban.h"

// Makes `copy` hold the position of `game`: the same pieces, promoted or not, on the same squares
// and in the same hands, each in its own piece-table slot, the same side to move, attack maps filled
// from scratch and no history.
void copyPosition(const ZnBan &game, ZnBan &copy);

class MovePreview {
public:
    // Copies the position of `game` and moves the piece on `from` to `to` on the copy, promoting
    // only where the rules leave no choice; false, with no move made, when the move is illegal.
    bool tryMove(const ZnBan &game, Square from, Square to);
    // Copies the position and drops a piece of `kind` from the hand of the side to move on `to`;
    // false, with no move made, when that side holds no such piece or may not drop it there.
    bool tryDrop(const ZnBan &game, PieceKind kind, Square to);
    // Takes the tried move back on the copy; false when none is made.
    bool takeBack();
    // Whether a tried move stands on the copy.
    bool active() const { return copy_.moveCount() > 0; }
    // The copy: after a successful try, the position the move leads to.
    const ZnBan &position() const { return copy_; }

private:
    ZnBan copy_;
};
